#include "foundation/records/WaterParam.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Log.h"

WaterParam::WaterParam()
    : waterFontName(NSBundle::isalaboLanguage() ? QStringLiteral("Muna")
                                                : QStringLiteral(".AppleSystemUIFont")) {}

WaterParam::~WaterParam() {
    qCDebug(lcRecords, "%s", "WaterParam::~WaterParam");
}

std::shared_ptr<WaterParam> WaterParam::copy() const {
    auto c = std::make_shared<WaterParam>();
    c->waterAlph = waterAlph;
    c->waterImagePath = waterImagePath;
    c->waterRect = waterRect;
    c->waterText = waterText;
    c->waterType = waterType;
    c->waterPercentClipRect = waterPercentClipRect;
    c->waterFontName = waterFontName;
    c->waterFontSize = waterFontSize;
    c->waterFontColor = waterFontColor;
    c->waterViewFrameWidth = waterViewFrameWidth;
    return c;
}
