#include "tools/easycut/CutItemView.h"

#include "foundation/helpers/HelpClass.h"
#include "foundation/records/CutItem.h"
#include "platform/Geometry.h"
#include "platform/Log.h"

#include <QEnterEvent>
#include <QLabel>
#include <QPainter>

CutItemView::CutItemView(QWidget* parent) : QPushButton(parent) {
    resize(140, 120);
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
    const double w = 140, h = 120;
    backView_ = new QLabel(this);
    geometry::setFrame(backView_, NSMakeRect(0, 0, w, h - 20));
    backView_->setScaledContents(true);
    iconView_ = new QLabel(this);
    geometry::setFrame(iconView_, NSMakeRect(10, 10, w - 20, 67.5));
    iconView_->setScaledContents(true);
    titleField_ = new QLabel(this);
    geometry::setFrame(titleField_, NSMakeRect(0, h - 37, w, 12));
    titleField_->setAlignment(Qt::AlignCenter);
    titleField_->setStyleSheet("color: black; font-size: 8pt;");
    for (QLabel* l : {backView_, iconView_, titleField_})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
}

CutItemView::~CutItemView() = default;

void CutItemView::setItem(const std::shared_ptr<CutItem>& item) {
    item_ = item;
    if (item_) {
        iconView_->setPixmap(QPixmap::fromImage(item_->thumbImage));
        titleField_->setText(HelpClass::returnTimeToStr(item_->startTime) + "-" +
                             HelpClass::returnTimeToStr(item_->endTime));
    }
    refresh();
}

void CutItemView::setSelected(bool selected) {
    selected_ = selected;
    refresh();
}

void CutItemView::setNbackGroundImage(const QImage& image) {
    nbackGroundImage_ = image;
    refresh();
}
void CutItemView::setSbackGroundImage(const QImage& image) {
    sbackGroundImage_ = image;
    refresh();
}
void CutItemView::setNbordColor(const QColor& c) {
    nbordColor_ = c;
    update();
}
void CutItemView::setSbordColor(const QColor& c) {
    sbordColor_ = c;
    update();
}

void CutItemView::refresh() {
    const QImage& back = selected_ ? sbackGroundImage_ : nbackGroundImage_;
    backView_->setPixmap(back.isNull() ? QPixmap() : QPixmap::fromImage(back));
    update();
}

void CutItemView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor& fill = selected_ ? sbackGroundColor_ : nbackGroundColor_;
    if (fill.isValid())
        p.fillRect(rect(), fill);
    // Without its background pictures the selection still has to be visible.
    const QImage& back = selected_ ? sbackGroundImage_ : nbackGroundImage_;
    if (back.isNull() && selected_)
        p.fillRect(rect(), QColor(33, 176, 235, 60));
}

void CutItemView::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    if (isEnabled() && mouseEntered)
        mouseEntered(this, event->position().x(), height() - event->position().y());
}

void CutItemView::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    if (isEnabled() && mouseExited)
        mouseExited(this, 0, 0);
}
