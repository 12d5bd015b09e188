#include "tools/easycut/CutItemView.h"

#include "foundation/helpers/HelpClass.h"
#include "foundation/records/CutItem.h"
#include "platform/Log.h"

#include <QEnterEvent>
#include <QLabel>
#include <QPainter>

namespace {
// Qt geometry of a 140 x 120 row, top down: a free strip of 20 between rows, then the card
// (the background picture) with the title, the thumbnail, and at its foot the strip where
// the hover buttons stand, so that they never cover the picture or the title.
constexpr int kCardTop = 20;
const QRect kTitleRect(2, 22, 136, 16);
const QRect kIconRect(20, 39, 100, 56);
constexpr int kLargestTitlePixels = 12;
constexpr int kSmallestTitlePixels = 7;
} // namespace

CutItemView::CutItemView(QWidget* parent) : QPushButton(parent) {
    resize(140, 120);
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
    backView_ = new QLabel(this);
    backView_->setGeometry(0, kCardTop, width(), height() - kCardTop);
    backView_->setScaledContents(true);
    iconView_ = new QLabel(this);
    iconView_->setGeometry(kIconRect);
    iconView_->setAlignment(Qt::AlignCenter);
    titleField_ = new QLabel(this);
    titleField_->setGeometry(kTitleRect);
    titleField_->setAlignment(Qt::AlignCenter);
    titleField_->setStyleSheet("color: black;");
    for (QLabel* l : {backView_, iconView_, titleField_})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QRect CutItemView::buttonStrip() {
    // Below the thumbnail, inside the card.
    return QRect(4, kIconRect.bottom() + 3, 132, 18);
}

CutItemView::~CutItemView() = default;

void CutItemView::setItem(const std::shared_ptr<CutItem>& item) {
    item_ = item;
    if (item_) {
        // The whole picture, in its own proportions, as large as the place allows.
        const QImage& thumb = item_->thumbImage;
        iconView_->setPixmap(thumb.isNull()
                                 ? QPixmap()
                                 : QPixmap::fromImage(thumb.scaled(iconView_->size(), Qt::KeepAspectRatio,
                                                                   Qt::SmoothTransformation)));
        titleField_->setText(HelpClass::returnTimeToStr(item_->startTime) + "-" +
                             HelpClass::returnTimeToStr(item_->endTime));
        fitTitle();
    }
    refresh();
}

void CutItemView::fitTitle() {
    // The largest size at which the whole time range fits the row's width.
    QFont f = titleField_->font();
    for (int px = kLargestTitlePixels; px >= kSmallestTitlePixels; --px) {
        f.setPixelSize(px);
        const QFontMetrics fm(f);
        if (fm.horizontalAdvance(titleField_->text()) <= titleField_->width() &&
            fm.height() <= titleField_->height())
            break;
    }
    titleField_->setFont(f);
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
