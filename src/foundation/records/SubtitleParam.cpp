#include "foundation/records/SubtitleParam.h"

#include "platform/Log.h"

SubtitleParam::~SubtitleParam() {
    qCDebug(lcRecords, "%s", "SubtitleParam::~SubtitleParam");
}

std::shared_ptr<SubtitleParam> SubtitleParam::copy() const {
    auto c = std::make_shared<SubtitleParam>();
    c->subtitleAlph = subtitleAlph;
    c->subtitlePath = subtitlePath;
    c->shadow = shadow;
    c->positon = positon;
    c->fontSize = fontSize;
    c->fontColor = fontColor;
    c->fontPath = fontPath;
    c->fontPathList = fontPathList;
    c->fontSelectIndex = fontSelectIndex;
    return c;
}
