// The window's layout: every outlet made in code at its frame (points, bottom-left origin).
#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/LabelFit.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "platform/Geometry.h"
#include "tools/easycut/CutItemView.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

using toollayout::label;
using toollayout::make;

// Made in stacking order: a later part lies over an earlier one where they meet.
void EasyCutterWindowcontroller::buildLayout() {
    buildPlayerLayout();
    buildKeyboardHints();
    buildSegmentList();
    buildEmptyState();
    buildExportLayout();
}

// Backgrounds, source and player, then the range panel.
void EasyCutterWindowcontroller::buildPlayerLayout() {
    QWidget* w = this;
    contentBackgroundView = make<ZylImageView>(w, 10, 60, 1020, 610);
    contentLeftView = make<ZylImageView>(w, 16, 66, 800, 598);
    contentRightView = make<ZylImageView>(w, 822, 66, 202, 598);

    // Source and player.
    updateFileAddBtn = make<ZylButton>(w, 22, 627, 40, 30);
    scrLabel = label(w, 72, 632, 736, 20);
    scrLabel->setStyleSheet("color: #333;");
    playerView = make<ZylImageView>(w, 22, 272, 788, 350);
    playOrpauseBtn = make<ZylButton>(w, 22, 234, 32, 32);
    playOrpauseSelectBtn = make<ZylButton>(w, 60, 234, 32, 32);
    currentTimeLabel = label(w, 100, 240, 84, 20);
    totalDurationLabel = label(w, 184, 240, 120, 20);
    volumeBtn = make<ZylButton>(w, 640, 236, 28, 28);
    volumeSlider = make<LxProgressSlider>(w, 674, 240, 132, 18);
    cutprogressView = make<LxCutProgressView>(w, 22, 200, 788, 30);

    // Range panel: labels of the time-code rows, mark buttons, length and the Cut button.
    itemContentView = make<ZylView>(w, 22, 72, 590, 124);
    startTimeLabel = label(itemContentView, 10, 80, 60, 20);
    endTimeLabel = label(itemContentView, 10, 36, 60, 20);
    selectedLeftBtn = make<ZylButton>(itemContentView, 238, 76, 30, 30);
    selectedRightBtn = make<ZylButton>(itemContentView, 238, 32, 30, 30);
    durationLabel = label(itemContentView, 290, 84, 100, 20);
    durationValueLabel = label(itemContentView, 390, 84, 120, 20);
    cutStartBtn = make<ZylButton>(itemContentView, 290, 26, 160, 42);
}

// The keyboard hints beside the range panel.
void EasyCutterWindowcontroller::buildKeyboardHints() {
    QWidget* w = this;
    keybordTishiView = make<ZylView>(w, 620, 72, 190, 124);
    controlkeybordLabel = label(keybordTishiView, 10, 96, 170, 20);
    // Two lines tall: most translations of the play/pause hint need both beside the key.
    playpauseLabel = label(keybordTishiView, 10, 56, 96, 32);
    playpauseLabel->setWordWrap(true);
    playpauseBtn = make<QPushButton>(keybordTishiView, 108, 60, 72, 24);
    controlmarksLabel = label(keybordTishiView, 10, 6, 170, 20);
    // The two keys step along the trim bar, which reads left to right in every language:
    // they keep its order, so that each arrow points the way it moves the play head.
    auto* arrowKeys = make<QWidget>(keybordTishiView, 108, 30, 72, 24);
    arrowKeys->setLayoutDirection(Qt::LeftToRight);
    kuaituiBtn = make<QPushButton>(arrowKeys, 0, 0, 34, 24);
    kuaijinBtn = make<QPushButton>(arrowKeys, 38, 0, 34, 24);
    for (QLabel* l : {playpauseLabel, controlmarksLabel})
        l->setStyleSheet("font-size: 9pt;");
    for (QPushButton* b : {kuaituiBtn, kuaijinBtn})
        b->setFocusPolicy(Qt::NoFocus);
    playpauseBtn->setFocusPolicy(Qt::NoFocus);
}

// The segment list and its buttons.
void EasyCutterWindowcontroller::buildSegmentList() {
    QWidget* w = this;
    fileItemListView = make<QWidget>(w, 832, 124, 182, 530);
    itemsScrollview = new QScrollArea(fileItemListView);
    itemsScrollview->setGeometry(0, 0, fileItemListView->width(), fileItemListView->height());
    itemsScrollview->setFrameShape(QFrame::NoFrame);
    itemsScrollview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    itemsScrollview->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    itemsScrollview->setStyleSheet("QScrollArea { background: rgb(245,245,245); }");
    filesContentView = new ZylView();
    filesContentView->setBackGroundColor(toolstyle::kLightGrey);
    filesContentView->resize(itemsScrollview->width(), std::max(itemsScrollview->height(), kRowHeight));
    itemsScrollview->setWidget(filesContentView);
    itemsScrollview->setWidgetResizable(false);
    itemSelectView = new QWidget(filesContentView);
    itemSelectView->resize(kRowWidth, kRowHeight);
    itemSelectView->hide();
    // Placed for their titles by layoutRowButtons().
    itemCopyBtn = new ZylButton(itemSelectView);
    itemModifyBtn = new ZylButton(itemSelectView);
    itemDeletedBtn = new ZylButton(itemSelectView);
    upMoveItemBtn = make<ZylButton>(w, 850, 80, 32, 32);
    downMoveItemBtn = make<ZylButton>(w, 892, 80, 32, 32);
    deletedItemBtn = make<ZylButton>(w, 966, 80, 32, 32);
}

// The empty state, over the player area.
void EasyCutterWindowcontroller::buildEmptyState() {
    QWidget* w = this;
    nofileBordView = make<ZylImageView>(w, 22, 72, 788, 584);
    gettingStartedLabel = label(nofileBordView, 60, 470, 660, 40);
    gettingStartedLabel->setText(loc("EasyCut_Title"));
    {
        QFont f = gettingStartedLabel->font();
        f.setPointSize(22);
        f.setBold(true);
        gettingStartedLabel->setFont(f);
    }
    for (int i = 0; i < 4; ++i)
        descLabels[i] = label(nofileBordView, 60, 410 - i * 44, 700, 42);
    addfileBtn = make<ZylButton>(nofileBordView, 294, 120, 200, 56);
}

// Output and export.
void EasyCutterWindowcontroller::buildExportLayout() {
    QWidget* w = this;
    exportBar_ = new ExportBar(this, w,
                               {NSMakeRect(20, 16, 120, 24), NSMakeRect(20 + 120, 8, 223, 32),
                                NSMakeRect(370, 10, 30, 28), NSMakeRect(632, 16, 70, 24),
                                NSMakeRect(702, 22, 168, 12), NSMakeRect(882, 6, 146, 44)},
                               "Cutterfinishedstring");
    outputLabel = exportBar_->outputLabel;
    outputPopBtn = exportBar_->folderChooser;
    openOutputFolderBtn = exportBar_->revealButton;
    progressLabel = exportBar_->progressLabel;
    exportProgressView = exportBar_->progressView;
    startExportBtn = exportBar_->startButton;
    merageBtn = make<ZylButton>(w, 414, 12, 210, 26);
}

void EasyCutterWindowcontroller::layoutRowButtons() {
    // The three hover buttons share the strip under a row's thumbnail, each as wide as its
    // title needs and the rest shared out; the font gives way until all three titles fit.
    constexpr int kGap = 2, kPad = 5;
    const QRect strip = CutItemView::buttonStrip();
    const std::array<ZylButton*, 3> buttons{itemCopyBtn, itemModifyBtn, itemDeletedBtn};
    QFont font = itemCopyBtn->font();
    std::array<int, 3> need{};
    for (int px = 12; px >= 7; --px) {
        font.setPixelSize(px);
        const QFontMetrics fm(font);
        int total = 2 * kGap;
        for (int i = 0; i < 3; ++i) {
            need[i] = fm.horizontalAdvance(buttons[i]->contentTitle()) + 2 * kPad;
            total += need[i];
        }
        if (total <= strip.width() && fm.height() <= strip.height())
            break;
    }
    const int spare = std::max(0, strip.width() - 2 * kGap - need[0] - need[1] - need[2]);
    int x = strip.x();
    for (int i = 0; i < 3; ++i) {
        const int w = i < 2 ? need[i] + spare / 3 : strip.right() + 1 - x;
        buttons[i]->setFont(font);
        geometry::setLeadingGeometry(buttons[i], QRect(x, strip.y(), w, strip.height()));
        x += w + kGap;
    }
}

TimeCodeRow* EasyCutterWindowcontroller::buildFieldRow(QWidget* parent, const NSRect& frame, FieldRow& fields,
                                                       TimeStepper*& stepper, bool itemRow) {
    auto* row =
        new TimeCodeRow(parent, frame, itemRow ? TimeCodeRow::Style::Compact : TimeCodeRow::Style::Range);
    fields = row->fields();
    stepper = row->stepper();
    row->shouldEndEditing = [this](LxTextField* field) {
        if (!textShouldEndEditing(field))
            return false;
        // Return ends the edit: the keys go back to the window, where Space and the arrows
        // are the transport keys of the keyboard panel.
        if (field->hasFocus())
            setFocus(Qt::OtherFocusReason);
        return true;
    };
    return row;
}

// A row and its partner (start and end) share the part the steppers change: a click on
// the end's minutes makes the start's stepper change the start's minutes too.
static void pairRows(TimeCodeRow* a, TimeCodeRow* b) {
    a->fieldClicked = [b, a](LxTextField* f) { b->setActivePart(a->partOf(f)); };
    b->fieldClicked = [a, b](LxTextField* f) { a->setActivePart(b->partOf(f)); };
}

void EasyCutterWindowcontroller::initPlayerBottom() {
    startTimeLabel->setText(loc("StartFieldLabelstringValue"));
    endTimeLabel->setText(loc("stopFieldLabelstringValue"));
    durationLabel->setText(loc("cutDurationLabelstringValue"));
    for (QLabel* l : {startTimeLabel, endTimeLabel, durationLabel})
        controls::fitLabelBefore(l);
    auto beside = [](QLabel* l) {
        const NSRect f = geometry::frame(l);
        return NSMakeRect(f.x + f.width, f.y - 5, 151, f.height + 10);
    };
    startTrimFieldBackV =
        buildFieldRow(itemContentView, beside(startTimeLabel), startFields, startStepper, false);
    stopTrimFieldBackV = buildFieldRow(itemContentView, beside(endTimeLabel), stopFields, stopStepper, false);
    startTrimFieldBackV->stepped = [this](LxTextField* f) { stepRow(Row::Start, f); };
    stopTrimFieldBackV->stepped = [this](LxTextField* f) { stepRow(Row::Stop, f); };
    pairRows(startTrimFieldBackV, stopTrimFieldBackV);
}

void EasyCutterWindowcontroller::initSelectItemTimeChangeView() {
    selectedItemTimeChangeView = new ZylImageView(filesContentView);
    selectedItemTimeChangeView->resize(168, kEditorHeight);
    selectedItemTimeChangeView->move((fileItemListView->width() - 168) / 2, 0);
    selectedItemTimeChangeView->setNormalBackGroundImage(
        NSBundle::imageWithfileName("Cut/imgActionBottom.bmp"));
    selectedItemTimeChangeView->setBackGroundColor(QColor(230, 230, 230));
    auto* s = label(selectedItemTimeChangeView, 0, 30, 30, 12, Qt::AlignHCenter);
    auto* e = label(selectedItemTimeChangeView, 0, 6, 30, 12, Qt::AlignHCenter);
    s->setText(loc("StartFieldLabelstringValue"));
    e->setText(loc("stopFieldLabelstringValue"));
    for (QLabel* l : {s, e})
        l->setStyleSheet("color: black; font-size: 8pt;");
    startFieldBackV = buildFieldRow(selectedItemTimeChangeView, NSMakeRect(30, 25, 135, 22), startItemFields,
                                    startItemStepper, true);
    endFieldBackV = buildFieldRow(selectedItemTimeChangeView, NSMakeRect(30, 1, 135, 22), stopItemFields,
                                  stopItemStepper, true);
    startFieldBackV->stepped = [this](LxTextField* f) { stepRow(Row::ItemStart, f); };
    endFieldBackV->stepped = [this](LxTextField* f) { stepRow(Row::ItemStop, f); };
    pairRows(startFieldBackV, endFieldBackV);
    selectedItemTimeChangeView->hide();
}
