#include "editor/music/MusicTrackList.h"

#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

MusicTrackRow::MusicTrackRow(int row, const QString& title, QWidget* parent)
    : QWidget(parent), row_(row), fullTitle_(title), check_(new ZylButton(this)),
      title_(new QLabel(title, this)) {
    check_->setNormalImage(NamedImage("Join/CheckBox_NoCheck.bmp"));
    check_->setSelectedImage(NamedImage("Join/CheckBox_Checked.bmp"));
    check_->mouseDownAction = [this](ZylButton*) {
        if (enabled_ && checkClicked)
            checkClicked(row_);
    };
    title_->setTextFormat(Qt::PlainText);
    QFont f = title_->font();
    f.setPixelSize(12);
    title_->setFont(f);
}

void MusicTrackRow::setChecked(bool checked) {
    check_->setSelected(checked);
}

bool MusicTrackRow::isChecked() const {
    return check_->selected();
}

void MusicTrackRow::setHighlighted(bool on) {
    highlighted_ = on;
    update();
}

void MusicTrackRow::setEnable(bool enable) {
    enabled_ = enable;
    check_->setEnabled(enable);
    QPalette p = title_->palette();
    p.setColor(QPalette::WindowText, enable ? Qt::black : Qt::gray);
    title_->setPalette(p);
}

void MusicTrackRow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (enabled_ && clicked)
        clicked(row_);
}

void MusicTrackRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), highlighted_ ? QColor(200, 230, 250) : QColor(Qt::white));
}

void MusicTrackRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    check_->setGeometry(4, (height() - 16) / 2, 16, 16);
    title_->setGeometry(26, 0, std::max(0, width() - 30), height());
    // A long name shows its end cut with an ellipsis rather than running past the row.
    title_->setText(title_->fontMetrics().elidedText(fullTitle_, Qt::ElideMiddle, title_->width() - 4));
}

MusicTrackList::MusicTrackList(QWidget* parent) : QScrollArea(parent), document_(new QWidget) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    setWidget(document_);
    document_->setAutoFillBackground(true);
    QPalette p = document_->palette();
    p.setColor(QPalette::Window, Qt::white);
    document_->setPalette(p);
}

void MusicTrackList::setRows(const QStringList& titles, const std::vector<bool>& checked, int highlighted) {
    for (MusicTrackRow* r : rows_)
        delete r;
    rows_.clear();
    for (int i = 0; i < titles.size(); ++i) {
        auto* r = new MusicTrackRow(i, titles[i], document_);
        r->setChecked(size_t(i) < checked.size() && checked[size_t(i)]);
        r->setHighlighted(i == highlighted);
        r->setEnable(enabled_);
        r->clicked = [this](int row) {
            if (rowClicked)
                rowClicked(row);
        };
        r->checkClicked = [this](int row) {
            if (checkClicked)
                checkClicked(row);
        };
        r->show();
        rows_.push_back(r);
    }
    layoutRows();
    verticalScrollBar()->setValue(0);
}

void MusicTrackList::setHighlighted(int row) {
    for (MusicTrackRow* r : rows_)
        r->setHighlighted(r->row() == row);
}

void MusicTrackList::setEnable(bool enable) {
    enabled_ = enable;
    for (MusicTrackRow* r : rows_)
        r->setEnable(enable);
}

void MusicTrackList::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    layoutRows();
}

void MusicTrackList::layoutRows() {
    const int w = viewport()->width();
    const int h = std::max(viewport()->height(), int(rows_.size()) * kRowHeight);
    document_->resize(w, h);
    for (size_t i = 0; i < rows_.size(); ++i)
        rows_[i]->setGeometry(0, int(i) * kRowHeight, w, kRowHeight);
}
