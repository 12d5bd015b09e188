#include "Mirror.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

namespace testsupport {

namespace {
void walk(QWidget* parent, const QString& path, std::vector<Placement>& out) {
    int i = 0;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        Placement p;
        p.geometry = w->geometry();
        p.parentWidth = parent->width();
        p.parentMirrors = parent->layoutDirection() == Qt::RightToLeft;
        p.shown = w->isVisibleTo(w->window());
        p.byLayout = parent->layout() && parent->layout()->indexOf(w) >= 0;
        QString name = w->objectName();
        if (auto* l = qobject_cast<QLabel*>(w); l && name.isEmpty())
            name = l->text().left(20);
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && name.isEmpty())
            name = b->text().left(20);
        p.what = QStringLiteral("%1/%2:%3 \"%4\"").arg(path).arg(i).arg(w->metaObject()->className(), name);
        out.push_back(p);
        walk(w, p.what.section(QLatin1Char(' '), 0, 0), out);
        ++i;
    }
}
} // namespace

std::vector<Placement> placements(QWidget* root) {
    std::vector<Placement> out;
    walk(root, QString(), out);
    return out;
}

QStringList unmirrored(const std::vector<Placement>& ltr, const std::vector<Placement>& rtl) {
    if (ltr.size() != rtl.size())
        return {QStringLiteral("the windows differ: %1 and %2 widgets").arg(ltr.size()).arg(rtl.size())};
    QStringList found;
    for (size_t i = 0; i < rtl.size(); ++i) {
        const Placement& a = ltr[i];
        const Placement& b = rtl[i];
        if (!b.shown || b.byLayout || b.parentWidth <= 0 || a.geometry.width() >= a.parentWidth - 4)
            continue;
        // Centres, doubled to stay in whole numbers.
        const int ltrCentre = 2 * a.geometry.x() + a.geometry.width();
        const int rtlCentre = 2 * b.geometry.x() + b.geometry.width();
        const int expected = b.parentMirrors ? 2 * b.parentWidth - ltrCentre : ltrCentre;
        const int other = b.parentMirrors ? ltrCentre : 2 * b.parentWidth - ltrCentre;
        const int tolerance = std::max(a.geometry.width(), b.geometry.width()) + 8;
        // Placed off a translated neighbour, a widget moves by that neighbour's change of
        // width too: closer to where it belongs than to the other side is enough.
        const int off = std::abs(rtlCentre - expected);
        if (off > tolerance && off >= std::abs(rtlCentre - other))
            found << QStringLiteral("%1 at x %2 (left to right: %3, parent %4%5)")
                         .arg(b.what)
                         .arg(b.geometry.x())
                         .arg(a.geometry.x())
                         .arg(b.parentWidth)
                         .arg(b.parentMirrors ? QString() : QStringLiteral(", kept left to right"));
    }
    return found;
}

} // namespace testsupport
