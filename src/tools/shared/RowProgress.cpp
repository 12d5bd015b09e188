#include "tools/shared/RowProgress.h"

#include "foundation/controls/NSProgressView.h"
#include "platform/Geometry.h"

#include <QWidget>
#include <cmath>

RowProgress::RowProgress(QWidget* row) {
    const QSize s = row->size();
    bar_ = new NSProgressView(row);
    // At the row's trailing end: its right, or its left in a right-to-left window.
    geometry::setLeadingGeometry(bar_, QRect(s.width() - 220, (s.height() - 10) / 2, 200, 10));
    bar_->setProgress(0);
    bar_->hide();
}

void RowProgress::show() {
    bar_->show();
    bar_->raise();
}

void RowProgress::hide() {
    bar_->hide();
}

void RowProgress::set(double progress) {
    if (!std::isfinite(progress) || progress < 0 || progress >= 1) {
        hide();
        return;
    }
    value_ = progress;
    bar_->setProgress(float(progress));
    show();
}

bool RowProgress::isShown() const {
    return !bar_->isHidden();
}
