#include "editor/overlays/WaterMarkCellItemView.h"

#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "platform/Geometry.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

WaterMarkCellItemView::WaterMarkCellItemView(QWidget* parent) : QWidget(parent) {
    checkBtn_ = new ZylButton(this);
    checkBtn_->setNormalImage(NamedImage(QStringLiteral("Join/CheckBox_NoCheck.bmp")));
    checkBtn_->setSelectedImage(NamedImage(QStringLiteral("Join/CheckBox_Checked.bmp")));
    checkBtn_->setBorderWidth(0);
    checkBtn_->mouseDownAction = [this](ZylButton*) {
        if (!isEnabled())
            return;
        // The toggle runs one turn of the event loop after the click, like every button here.
        QPointer<WaterMarkCellItemView> self(this);
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self)
                    self->toggleCheck();
            },
            Qt::QueuedConnection);
    };
    title_ = new QLineEdit(this);
    title_->setFrame(false);
    title_->setReadOnly(true);
    title_->setAttribute(Qt::WA_MacShowFocusRect, false);
    title_->installEventFilter(this);
    QFont f = title_->font();
    f.setPixelSize(13);
    title_->setFont(f);
    connect(title_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (EditWaterTextBlock)
            EditWaterTextBlock(text, row_);
    });
    refresh();
}

void WaterMarkCellItemView::setTitleStringValue(const QString& title) {
    // The text being typed is left alone, cursor and all.
    if (title_->text() == title)
        return;
    title_->setText(title);
    title_->setCursorPosition(0);
}

QString WaterMarkCellItemView::titleStringValue() const {
    return title_->text();
}

void WaterMarkCellItemView::setCheck(bool check) {
    check_ = check;
    checkBtn_->setSelected(check);
}

void WaterMarkCellItemView::setSelected(bool selected) {
    selected_ = selected;
    if (!selected && title_->hasFocus())
        title_->clearFocus();
    refresh();
}

void WaterMarkCellItemView::setType(int type) {
    type_ = type;
    refresh();
}

bool WaterMarkCellItemView::titleEditable() const {
    return !title_->isReadOnly();
}

void WaterMarkCellItemView::toggleCheck() {
    check_ = !check_;
    checkBtn_->setSelected(check_);
    if (CheckWateMarkBlock)
        CheckWateMarkBlock(check_, row_);
}

void WaterMarkCellItemView::refresh() {
    title_->setReadOnly(!(selected_ && type_ == kTypeText));
    // The title lies on the row's own colour: it draws no background of its own.
    title_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; color: %1; }")
                              .arg((selected_ ? selectedText_ : normal_).name()));
    update();
}

void WaterMarkCellItemView::resizeEvent(QResizeEvent*) {
    const int h = height();
    checkBtn_->setGeometry(5, (h - 24) / 2, 24, 24);
    title_->setGeometry(34, (h - 20) / 2, std::max(0, width() - 36), 20);
}

void WaterMarkCellItemView::paintEvent(QPaintEvent*) {
    if (!selected_)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), selectedBack_);
}

void WaterMarkCellItemView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled() && clicked)
        clicked(this);
}

bool WaterMarkCellItemView::eventFilter(QObject* watched, QEvent* event) {
    // A click on a title that cannot be edited selects the row like a click beside it.
    if (watched == title_ && event->type() == QEvent::MouseButtonPress && title_->isReadOnly() &&
        isEnabled() && clicked) {
        clicked(this);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
