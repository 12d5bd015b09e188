// The segment list: cut, copy, modify, delete, move, clear, the rows and the hover overlay.
#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/records/CutItem.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/easycut/CutItemView.h"
#include "tools/shared/Loc.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>

void EasyCutterWindowcontroller::cutAction() {
    const double d = duration();
    if (d <= 0 || jobChain().isBusy())
        return;
    const double start = d * cutprogressView->lowerValue();
    const double end = d * cutprogressView->upperValue();
    if (!(start >= 0 && start < end && end <= d)) {
        showSimpleAlert(loc("showmessageTime3"));
        return;
    }
    seekTo(start);
    auto item = std::make_shared<CutItem>();
    item->startTime = float(start);
    item->endTime = float(end);
    if (fileData_)
        item->thumbImage = fileData_->thumbImage; // until the picture at the new start is up
    cutItems_.push_back(item);
    selectedCutIndex_ = long(cutItems_.size()) - 1;
    refresFileListView();
    std::weak_ptr<CutItem> weak = item;
    QPointer<EasyCutterWindowcontroller> self(this);
    getCurrentThumbImage([self, weak](const QImage& image) {
        const auto cut = weak.lock();
        if (!self || !cut)
            return;
        cut->thumbImage = image;
        for (CutItemView* row : self->cutItemViews_)
            if (row->item() == cut)
                row->setItem(cut); // only the row's picture changes: the list stays as it is
    });
}

void EasyCutterWindowcontroller::copyItemAction() {
    itemModifyBtn->setSelected(false);
    const long index = itemModifyBtn->index();
    CutItem* source = segmentAt(index);
    if (!source)
        return;
    auto copy = std::make_shared<CutItem>();
    copy->startTime = source->startTime;
    copy->endTime = source->endTime;
    copy->thumbImage = source->thumbImage;
    cutItems_.insert(cutItems_.begin() + index, copy);
    refresFileListView();
}

void EasyCutterWindowcontroller::modifyItemAction() {
    const long index = itemModifyBtn->index();
    if (!segmentAt(index))
        return;
    selectedCutIndex_ = index;
    for (CutItemView* row : cutItemViews_) {
        const bool sel = row->tag() == index + 1;
        row->setSelected(sel);
        if (row->item())
            row->item()->selected = sel;
    }
    updateUpDown();
    refresSelectTrimTime(true, true);
    itemModifyBtn->setSelected(!itemModifyBtn->selected());
    placeRowsAndEditor();
}

void EasyCutterWindowcontroller::deleteItemAction() {
    itemModifyBtn->setSelected(false);
    const long index = itemModifyBtn->index();
    if (!segmentAt(index))
        return;
    cutItems_.erase(cutItems_.begin() + index);
    const long last = long(cutItems_.size()) - 1;
    selectedCutIndex_ = std::max(0L, std::min(index, last));
    refresFileListView();
}

void EasyCutterWindowcontroller::upMoveItemAction() {
    if (selectedCutIndex_ < 1 || selectedCutIndex_ >= long(cutItems_.size()))
        return;
    std::swap(cutItems_[selectedCutIndex_], cutItems_[selectedCutIndex_ - 1]);
    --selectedCutIndex_;
    refresFileListView();
}

void EasyCutterWindowcontroller::downMoveItemAction() {
    if (selectedCutIndex_ < 0 || selectedCutIndex_ + 1 >= long(cutItems_.size()))
        return;
    std::swap(cutItems_[selectedCutIndex_], cutItems_[selectedCutIndex_ + 1]);
    ++selectedCutIndex_;
    refresFileListView();
}

void EasyCutterWindowcontroller::clearItemsAction() {
    // Leave modify mode too: later range edits must not go to a segment that is gone.
    itemModifyBtn->setSelected(false);
    selectedItemTimeChangeView->hide();
    takeRowsOut();
    cutItems_.clear();
    selectedCutIndex_ = 0;
    updateUpDown();
}

void EasyCutterWindowcontroller::updateUpDown() {
    const long n = long(cutItems_.size());
    if (jobChain().isBusy()) {
        upMoveItemBtn->setEnabled(false);
        downMoveItemBtn->setEnabled(false);
        return;
    }
    upMoveItemBtn->setEnabled(selectedCutIndex_ > 0 && selectedCutIndex_ < n);
    downMoveItemBtn->setEnabled(selectedCutIndex_ + 1 < n);
}

// Showing, hiding or moving the overlay under the pointer makes Qt send enter and leave
// events to the rows at once, and the hover handlers move the overlay again: while the
// overlay is being moved, those events are ignored, so a move can never start another.
void EasyCutterWindowcontroller::placeSelectionOverlay(CutItemView* row) {
    const QScopedValueRollback<bool> guard(movingOverlay_, true);
    if (itemSelectView->parentWidget() != row) {
        itemSelectView->setParent(row);
        itemSelectView->move(0, 0);
    }
    itemSelectView->show();
    itemSelectView->raise();
}

void EasyCutterWindowcontroller::takeOverlayOut() {
    const QScopedValueRollback<bool> guard(movingOverlay_, true);
    itemSelectView->hide();
    itemSelectView->setParent(filesContentView);
}

void EasyCutterWindowcontroller::takeRowsOut() {
    // The overlay first: it would go with the row that holds it.
    takeOverlayOut();
    const QScopedValueRollback<bool> guard(movingOverlay_, true);
    for (CutItemView* row : cutItemViews_) {
        // A row waiting for deletion stands where its successor is built: it must neither
        // catch the pointer nor answer it any more.
        row->mouseEntered = nullptr;
        row->mouseExited = nullptr;
        row->hide();
        row->deleteLater();
    }
    cutItemViews_.clear();
}

// The rows stand one under the other. While a segment is being modified, the editor takes
// its 48 points directly under that row and the rows after it move down to make room (the
// content keeps 48 points spare for it), so the editor never covers another row.
void EasyCutterWindowcontroller::placeRowsAndEditor() {
    const long at = itemModifyBtn->index();
    const bool open = itemModifyBtn->selected() && at >= 0 && at < cutItemViews_.size();
    const int W = filesContentView->width();
    for (CutItemView* row : cutItemViews_) {
        const long i = row->tag() - 1;
        row->move((W - kRowWidth) / 2, int(i * kRowHeight) + (open && i > at ? kEditorHeight : 0));
    }
    if (open) {
        const CutItemView* row = cutItemViews_[at];
        selectedItemTimeChangeView->move((W - selectedItemTimeChangeView->width()) / 2,
                                         row->y() + row->height());
        selectedItemTimeChangeView->raise();
    }
    selectedItemTimeChangeView->setVisible(open);
}

void EasyCutterWindowcontroller::refresFileListView() {
    takeRowsOut();

    const long n = long(cutItems_.size());
    const int W = itemsScrollview->viewport()->width();
    const int H = itemsScrollview->viewport()->height();
    const int contentHeight = std::max<int>(H, int(n * kRowHeight + kEditorHeight));
    filesContentView->resize(W, contentHeight);
    selectedItemTimeChangeView->move((W - selectedItemTimeChangeView->width()) / 2,
                                     selectedItemTimeChangeView->y());
    const bool busy = jobChain().isBusy();
    QPointer<EasyCutterWindowcontroller> self(this);
    for (long i = 0; i < n; ++i) {
        auto* row = new CutItemView(filesContentView);
        // Rows run from the top down (bottom-left frame: content height - (i + 1) * 120).
        row->setGeometry((W - kRowWidth) / 2, int(i * kRowHeight), kRowWidth, kRowHeight);
        row->setTag(i + 1);
        row->setNbackGroundImage(NSBundle::imageWithfileName("Cut/ListBottom_Normal.bmp"));
        row->setSbackGroundImage(NSBundle::imageWithfileName("Cut/ListBottom_Select.bmp"));
        row->setCornerRadius(5);
        row->setNbordColor(QColor(90, 216, 238));
        row->setSbordColor(QColor(33, 176, 235));
        row->setBorderWidth(2);
        row->setItem(cutItems_[i]);
        row->setSelected(cutItems_[i]->selected);
        row->mouseEntered = [self](CutItemView* r, double, double) {
            if (self)
                self->rowEntered(r);
        };
        row->mouseExited = [self](CutItemView* r, double, double) {
            if (self)
                self->rowExited(r);
        };
        connect(row, &QPushButton::clicked, this, [this, row] { fileItemAction(row); });
        row->setSelected(i == selectedCutIndex_);
        cutItems_[i]->selected = i == selectedCutIndex_;
        row->setEnabled(!busy);
        row->show();
        cutItemViews_.append(row);
        if (i == selectedCutIndex_) {
            placeSelectionOverlay(row);
            setModifiedRow(i);
        }
    }
    placeRowsAndEditor();
    if (n == 0) {
        takeOverlayOut();
        selectedItemTimeChangeView->hide();
    }
    selectedItemTimeChangeView->raise();
    updateUpDown();
    scrollToSelectItem();
}

void EasyCutterWindowcontroller::scrollToSelectItem() {
    if (cutItemViews_.isEmpty())
        return;
    const long i = std::clamp<long>(selectedCutIndex_, 0, cutItemViews_.size() - 1);
    itemsScrollview->ensureWidgetVisible(cutItemViews_[i], 0, 0);
}

void EasyCutterWindowcontroller::fileItemAction(CutItemView* row) {
    if (jobChain().isBusy() || !cutItemViews_.contains(row))
        return;
    selectedCutIndex_ = row->tag() - 1;
    itemModifyBtn->setSelected(false);
    setModifiedRow(selectedCutIndex_);
    placeSelectionOverlay(row);
    for (CutItemView* r : cutItemViews_) {
        const bool sel = r == row;
        r->setSelected(sel);
        if (r->item())
            r->item()->selected = sel;
    }
    placeRowsAndEditor();
    updateUpDown();
    refresSelectTrimTime(true, true);
}

void EasyCutterWindowcontroller::rowEntered(CutItemView* row) {
    if (movingOverlay_ || !cutItemViews_.contains(row))
        return;
    if (!selectedItemTimeChangeView->isVisible()) {
        placeSelectionOverlay(row);
        setModifiedRow(row->tag() - 1);
    }
    const QScopedValueRollback<bool> guard(movingOverlay_, true);
    itemSelectView->show();
}

// The edit button keeps the row it edits as a plain int index; the rows are widgets on one
// scrolled page, so their count stays far below INT_MAX.
void EasyCutterWindowcontroller::setModifiedRow(long index) {
    itemModifyBtn->setIndex(static_cast<int>(index));
}

void EasyCutterWindowcontroller::rowExited(CutItemView*) {
    if (movingOverlay_ || itemModifyBtn->selected())
        return;
    takeOverlayOut();
    setModifiedRow(selectedCutIndex_);
}
