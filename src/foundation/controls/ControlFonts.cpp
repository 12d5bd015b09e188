#include "foundation/controls/ControlFonts.h"

#include "foundation/controls/ControlMath.h"

#include <QApplication>

namespace controls {

QFont systemFontOfSize(double points) {
    QFont f = QApplication::font();
    f.setPixelSize(std::max(1, toPixels(points)));
    return f;
}

QFont fontNamed(const QString& name, double points) {
    QFont f = systemFontOfSize(points);
    if (!name.isEmpty() && name != QLatin1String(".AppleSystemUIFont"))
        f.setFamilies({name, f.family()});
    return f;
}

} // namespace controls
