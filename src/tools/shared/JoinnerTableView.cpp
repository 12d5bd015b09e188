#include "tools/shared/JoinnerTableView.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/RowProgress.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

JoinnerTableView::JoinnerTableView(QWidget* parent) : QScrollArea(parent) {
    content_ = new QWidget;
    layout_ = new QVBoxLayout(content_);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(1);
    layout_->addStretch(1);
    setWidget(content_);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void JoinnerTableView::reloadData(int selected) {
    for (JoinnerCell* r : rows_)
        delete r;
    rows_.clear();
    if (!list_) {
        selected_ = -1;
        return;
    }
    for (size_t i = 0; i < list_->size(); ++i) {
        auto* r = new JoinnerCell(content_);
        r->setIndex(int(i));
        r->setFileData((*list_)[i]);
        r->setEnabele(enabled_);
        r->defaultoutputformat->setEnabled(enabled_);
        r->effectBtn->setEnabled(enabled_);
        r->MouseDownBlock = [this](JoinnerCell* row) {
            // Rows are rebuilt by a selection's consumer; the click finishes first.
            QPointer<JoinnerTableView> self(this);
            const int index = row->index();
            dispatchMain([self, index] {
                if (!self)
                    return;
                self->disabelSelectBlock_ = false;
                self->selectRow(index);
            });
        };
        r->SelecteddefaultFormatoutputBlock = [this](JoinnerCell* row) { defaultFormatToggled(row); };
        if (!joinControls_)
            for (QWidget* w :
                 std::initializer_list<QWidget*>{r->defaultoutputformat, r->effectLabel, r->effectBtn})
                w->hide();
        layout_->insertWidget(int(i), r);
        rows_.push_back(r);
    }
    // The last clip has no transition into a next one.
    if (!rows_.empty()) {
        rows_.back()->effectLabel->hide();
        rows_.back()->effectBtn->hide();
    }
    selected_ = -1;
    selectRow(rows_.empty() ? -1 : std::clamp(selected, 0, int(rows_.size()) - 1));
}

void JoinnerTableView::selectRow(int index) {
    if (index >= int(rows_.size()))
        return;
    selected_ = index;
    for (size_t i = 0; i < rows_.size(); ++i)
        rows_[i]->setSelected(int(i) == index);
    if (index >= 0)
        ensureWidgetVisible(rows_[size_t(index)]);
    if (selectionChanged && !disabelSelectBlock_)
        selectionChanged(index);
}

void JoinnerTableView::showProgress(int index) {
    JoinnerCell* r = row(index);
    if (!r)
        return;
    selectRow(index);
    r->progress->show();
}

void JoinnerTableView::hiddenProgress(int index) {
    if (JoinnerCell* r = row(index))
        r->progress->hide();
}

void JoinnerTableView::setExportProgress(double progress) {
    if (JoinnerCell* r = row(selected_))
        r->progress->set(progress);
}

JoinnerCell* JoinnerTableView::row(int index) const {
    return index >= 0 && index < int(rows_.size()) ? rows_[size_t(index)] : nullptr;
}

void JoinnerTableView::setEnabele(bool enabled) {
    enabled_ = enabled;
    for (JoinnerCell* r : rows_) {
        r->setEnabele(enabled);
        r->defaultoutputformat->setEnabled(enabled);
        r->effectBtn->setEnabled(enabled);
    }
}

void JoinnerTableView::defaultFormatToggled(JoinnerCell* row) {
    // One record gives the output format at most.
    if (row->fileData() && row->fileData()->defaultFormat) {
        for (JoinnerCell* r : rows_) {
            if (r == row || !r->fileData())
                continue;
            r->fileData()->defaultFormat = false;
            r->defaultoutputformat->setSelected(false);
        }
    }
    if (defaultFormatChanged)
        defaultFormatChanged();
}
