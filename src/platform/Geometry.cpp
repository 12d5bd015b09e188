#include "platform/Geometry.h"

#include <QCoreApplication>
#include <QEvent>
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
            const QVariant x = w->property(kLeadingX);
            if (x.isValid())
                w->move(parent->width() - x.toInt() - w->width(), w->y());
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
    w->setProperty(kLeadingX, leadingX);
    if (!parent->property(kFollowed).toBool()) {
        parent->setProperty(kFollowed, true);
        parent->installEventFilter(follower());
    }
}
