#include "platform/Geometry.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPoint>
#include <QVariant>

namespace {
constexpr char kLeadingX[] = "cutbenchLeadingX";
constexpr char kFollowed[] = "cutbenchLeadingFollowed";

// On a resize of a parent laid out right to left, moves its mirrored children so that each
// keeps its distance from the right edge.
class LeadingEdgeFollower : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Resize)
            return false;
        auto* parent = qobject_cast<QWidget*>(watched);
        if (!parent || parent->layoutDirection() != Qt::RightToLeft)
            return false;
        for (QObject* o : parent->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w->isWindow())
                continue;
            // Leading x and the x it was placed at; a child moved since by other means is
            // the mover's to place.
            const QVariant placed = w->property(kLeadingX);
            if (!placed.isValid())
                continue;
            const QPoint xs = placed.toPoint();
            if (w->x() != xs.y()) {
                w->setProperty(kLeadingX, QVariant());
                continue;
            }
            const int x = parent->width() - xs.x() - w->width();
            w->move(x, w->y());
            w->setProperty(kLeadingX, QPoint(xs.x(), x));
        }
        return false;
    }
};

LeadingEdgeFollower* follower() {
    static LeadingEdgeFollower* f = new LeadingEdgeFollower(QCoreApplication::instance());
    return f;
}
} // namespace

void geometry::keepLeadingX(QWidget* w, int leadingX) {
    QWidget* parent = w->parentWidget();
    if (!parent || !QCoreApplication::instance())
        return;
    w->setProperty(kLeadingX, QPoint(leadingX, w->x()));
    if (!parent->property(kFollowed).toBool()) {
        parent->setProperty(kFollowed, true);
        parent->installEventFilter(follower());
    }
}
