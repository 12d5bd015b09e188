#include "editor/picture/EffectTableCellView.h"

#include "foundation/controls/FontFit.h"
#include "foundation/controls/NamedImage.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kAccent(33, 176, 235);
const QColor kDisabledTitle(173, 173, 173);
constexpr int kCheck = 15;
constexpr int kPictureWidth = 36, kPictureHeight = 24;

} // namespace

EffectTableCellView::EffectTableCellView(QWidget* parent) : QWidget(parent) {
    titleLabel_ = new QLabel(this);
    titleLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    selected(false);
}

void EffectTableCellView::setTitle(const QString& title) {
    titleLabel_->setText(title);
    layoutRow();
}

QString EffectTableCellView::title() const {
    return titleLabel_->text();
}

void EffectTableCellView::setPicture(const QString& bundleName) {
    picture_ = bundleName.isEmpty() ? QImage() : NamedImage(bundleName).image();
    layoutRow();
}

void EffectTableCellView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutRow();
}

void EffectTableCellView::layoutRow() {
    const int W = width(), H = height();
    if (font_) {
        // A row with its own font has no highlight colour of its own.
        selectedColor_ = normalColor_;
        const int line = int(font_->pointSizeF() > 0 ? font_->pointSizeF() : font_->pixelSize()) + 1;
        checkRect_ = QRect(0, (H - kCheck) / 2, kCheck, kCheck);
        titleLabel_->setFont(*font_);
        titleLabel_->setGeometry(kCheck, (H - line) / 2, W - kCheck,
                                 std::max(line, titleLabel_->sizeHint().height()));
    } else {
        checkRect_ = QRect(10, (H - kCheck) / 2, kCheck, kCheck);
        int x = kCheck + 20;
        pictureRect_ = QRect();
        if (!picture_.isNull()) {
            pictureRect_ = QRect(x - 4, (H - kPictureHeight) / 2, kPictureWidth, kPictureHeight);
            x = pictureRect_.right() + 7;
        }
        // A long translation gets a smaller size rather than being cut short.
        controls::fitTextFont(titleLabel_, titleLabel_->text(), W - x - 2, 13, 9);
        const int line = std::max(16, titleLabel_->sizeHint().height());
        titleLabel_->setGeometry(x, (H - line) / 2, std::max(0, W - x), line);
    }
    refreshTitleColour();
}

void EffectTableCellView::refreshTitleColour() {
    QPalette pal = titleLabel_->palette();
    pal.setColor(QPalette::WindowText, titleColour());
    titleLabel_->setPalette(pal);
}

QColor EffectTableCellView::titleColour() const {
    if (!enable_)
        return kDisabledTitle;
    return selectedRow_ ? selectedColor_ : normalColor_;
}

void EffectTableCellView::selected(bool s) {
    selected_ = s;
    layoutRow();
    if (onStateChanged && !onCheckClicked)
        onStateChanged(this, selected_, row_);
    update();
}

void EffectTableCellView::setSelectedRow(bool s) {
    selectedRow_ = s;
    refreshTitleColour();
    if (onStateChanged && onCheckClicked)
        onStateChanged(this, selectedRow_, row_);
    update();
}

void EffectTableCellView::setSelectedColor(const QColor& c) {
    selectedColor_ = c;
    refreshTitleColour();
    update();
}

void EffectTableCellView::setEnable(bool e) {
    enable_ = e;
    refreshTitleColour();
    update();
}

void EffectTableCellView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (row_ != kNoBackgroundRow)
        p.fillRect(rect(), selectedRow_ ? kAccent : QColor(Qt::white));
    if (!picture_.isNull())
        p.drawImage(QRectF(pictureRect_), picture_);
    p.setRenderHint(QPainter::Antialiasing);
    if (selected_) {
        static const NamedImage mark("Cut/btnStop_Normal.png");
        if (!mark.isNil())
            p.drawImage(QRectF(checkRect_), mark.image());
    } else {
        p.setPen(QPen(kAccent, 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(checkRect_).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void EffectTableCellView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !enable_)
        return;
    if (checkRect_.contains(event->position().toPoint())) {
        if (onCheckClicked)
            onCheckClicked(this, row_);
    } else if (onRowClicked) {
        onRowClicked(this, row_);
    }
}
