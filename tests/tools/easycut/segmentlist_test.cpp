// The segment list through its buttons: cut, copy, move, delete, clear (which also leaves
// modify mode), editing a segment in the segment editor, empty ranges, and the forward
// nudge while a segment is selected.
#include "EasyCutDriver.h"

#include "foundation/records/CutItem.h"
#include "tools/easycut/CutItemView.h"

#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

using namespace easycuttest;

namespace {

std::vector<std::pair<float, float>> times(const EasyCutterWindowcontroller& w) {
    std::vector<std::pair<float, float>> t;
    for (const auto& item : w.cutItems())
        t.emplace_back(item->startTime, item->endTime);
    return t;
}

// Hovers a row: the overlay with Copy, Modify and Deleted moves into it.
void hover(CutItemView* row) {
    const QPointF c(row->width() / 2.0, row->height() / 2.0);
    QEnterEvent enter(c, row->mapTo(row->window(), c), row->mapToGlobal(c));
    QCoreApplication::sendEvent(row, &enter);
    settle();
}

} // namespace

TEST(SegmentList, CutCopyMoveAndDeleteKeepTheListAndItsRowsInStep) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    d.addSegment(1.0, 2.0);
    d.addSegment(3.0, 4.0);
    d.addSegment(5.0, 6.0);
    ASSERT_EQ(w.cutItemViews().size(), 3);
    EXPECT_EQ(w.selectedCutIndex(), 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.cutItemViews()[i]->tag(), i + 1);
    EXPECT_TRUE(w.cutItemViews()[2]->selected());
    EXPECT_EQ(w.cutItemViews()[1]->titleField()->text(), "00:00:03.00-00:00:04.00");
    EXPECT_GE(w.filesContentView->height(), 3 * 120 + 48);

    // Copy the second: the copy stands before it; the selection does not move.
    hover(w.cutItemViews()[1]);
    click(w.itemCopyBtn);
    EXPECT_EQ(times(w), (std::vector<std::pair<float, float>>{{1, 2}, {3, 4}, {3, 4}, {5, 6}}));
    EXPECT_EQ(w.selectedCutIndex(), 2);

    // Down on the last changes nothing; Up swaps with the one before.
    click(w.cutItemViews()[3]);
    EXPECT_EQ(w.selectedCutIndex(), 3);
    EXPECT_FALSE(w.downMoveItemBtn->isEnabled());
    click(w.upMoveItemBtn);
    EXPECT_EQ(times(w), (std::vector<std::pair<float, float>>{{1, 2}, {3, 4}, {5, 6}, {3, 4}}));
    EXPECT_EQ(w.selectedCutIndex(), 2);
    click(w.cutItemViews()[0]);
    EXPECT_FALSE(w.upMoveItemBtn->isEnabled());
    click(w.downMoveItemBtn);
    EXPECT_EQ(times(w), (std::vector<std::pair<float, float>>{{3, 4}, {1, 2}, {5, 6}, {3, 4}}));

    // Deleting the last selects the new last.
    click(w.cutItemViews()[3]);
    hover(w.cutItemViews()[3]);
    click(w.itemDeletedBtn);
    EXPECT_EQ(w.cutItems().size(), 3u);
    EXPECT_EQ(w.selectedCutIndex(), 2);
    EXPECT_TRUE(w.cutItemViews()[2]->selected());
}

TEST(SegmentList, EmptyRangeIsNotCut) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    w.cutprogressView->setUpperValue(0.4f);
    w.cutprogressView->setLowerValue(0.4f);
    click(w.cutStartBtn);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime3")});
    EXPECT_TRUE(w.cutItems().empty());
}

TEST(SegmentList, TheSegmentEditorChangesTheSegmentAndClearAllLeavesModifyMode) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    d.addSegment(1.0, 3.0);
    d.addSegment(5.0, 8.0);
    click(w.cutItemViews()[0]);
    hover(w.cutItemViews()[0]);
    click(w.itemModifyBtn);
    ASSERT_TRUE(w.itemModifyBtn->selected());
    ASSERT_TRUE(w.selectedItemTimeChangeView->isVisible());
    EXPECT_EQ(w.startItemFields[2]->text(), "01");

    // The editor's end field writes the segment and its row title; past the duration it
    // is refused with its message.
    Driver::typeField(w.stopItemFields[2], "04");
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_FLOAT_EQ(w.cutItems()[0]->endTime, 4.0f);
    EXPECT_EQ(w.cutItemViews()[0]->titleField()->text(), "00:00:01.00-00:00:04.00");
    Driver::typeField(w.stopItemFields[1], "05");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime2")});
    EXPECT_LE(w.cutItems()[0]->endTime, float(w.duration()));

    // While modifying, the range fields write into the segment too.
    Driver::typeField(w.startFields[2], "02");
    EXPECT_FLOAT_EQ(w.cutItems()[0]->startTime, 2.0f);

    click(w.deletedItemBtn);
    EXPECT_TRUE(w.cutItems().empty());
    EXPECT_FALSE(w.itemModifyBtn->selected());
    EXPECT_FALSE(w.selectedItemTimeChangeView->isVisible());
    // Range edits go to the range again, not to a segment that is gone.
    Driver::type(w.stopFields, 0, 0, 9, 0);
    Driver::type(w.startFields, 0, 0, 6, 0);
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_NEAR(d.range().first, 6.0, 0.011);
    EXPECT_NEAR(d.range().second, 9.0, 0.011);
}

TEST(SegmentList, ForwardNudgeMovesTheRangeWhileASegmentIsSelected) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    d.addSegment(2.0, 5.0); // the new segment is selected and the play head stands on 2 s
    ASSERT_EQ(w.cutprogressView->handleType(), 1);
    click(w.kuaijinBtn);
    EXPECT_NEAR(d.range().first, 2.1, 0.02);
    EXPECT_NEAR(d.range().second, 5.0, 0.02);
    EXPECT_FLOAT_EQ(w.cutItems()[0]->startTime, 2.0f) << "the segment itself is not being modified";
}
