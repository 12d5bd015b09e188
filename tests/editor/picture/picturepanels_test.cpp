// The crop, rotate and effects panels driven through their controls in the editor window,
// offscreen: the crop view's drags reaching the fields and the margins, keep-aspect, turns
// carrying the crop and the crop view, the effect rows and resets.
#include "../../tools/shared/ToolWindowDriver.h"
#include "../core/EditorTestClips.h"
#include "PictureTestClips.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/overlays/WaterMarkPanel.h"
#include "editor/picture/CropTool.h"
#include "editor/picture/EffectTableCellView.h"
#include "editor/picture/EffectsTool.h"
#include "editor/picture/LxUICliper.h"
#include "editor/picture/RotateTool.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/WaterParam.h"
#include "tools/shared/Loc.h"

#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <memory>

using namespace tooltest;

namespace {

// Widgets sit on whole points; the picture's rectangle need not.
void expectFrameNear(const NSRect& a, const NSRect& b) {
    EXPECT_NEAR(a.x, b.x, 1.0);
    EXPECT_NEAR(a.y, b.y, 1.0);
    EXPECT_NEAR(a.width, b.width, 1.0);
    EXPECT_NEAR(a.height, b.height, 1.0);
}

class PicturePanels : public ::testing::Test {
protected:
    void TearDown() override {
        answerAlerts();
        window_.reset();
        settle();
    }
    EditVideoWindowController& open(int tool, bool withFile = true) {
        window_ = std::make_unique<EditVideoWindowController>(tool);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        if (withFile) {
            EXPECT_TRUE(window_->openFile(picturetest::markedClip()));
        }
        settle(100);
        crop_ = window_->tool<CropTool>();
        rotate_ = window_->tool<RotateTool>();
        effects_ = window_->tool<EffectsTool>();
        return *window_;
    }
    EditState& state() { return window_->session().state(); }

    // A drag on the crop view between two of its own points (origin bottom-left).
    void drag(NSPoint from, NSPoint to) {
        LxUICliper* c = crop_->cliper();
        const QPoint a = geometry::pointToQt(from, c->height()).toPoint();
        const QPoint b = geometry::pointToQt(to, c->height()).toPoint();
        QTest::mousePress(c, Qt::LeftButton, {}, a);
        QTest::mouseMove(c, b);
        QTest::mouseRelease(c, Qt::LeftButton, {}, b);
    }

    editortest::ScratchDefaults defaults_;
    std::unique_ptr<EditVideoWindowController> window_;
    CropTool* crop_ = nullptr;
    RotateTool* rotate_ = nullptr;
    EffectsTool* effects_ = nullptr;
};

TEST_F(PicturePanels, DraggingTheCropViewSetsTheFieldsAndEvenMargins) {
    EditVideoWindowController& w = open(EditorToolTypeCrop);
    LxUICliper* c = crop_->cliper();
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->isVisible());
    expectFrameNear(geometry::frame(c), w.pictureRect());
    EXPECT_EQ(crop_->cropWidthField()->text(), "320");
    const double W = c->width(), H = c->height();

    // A size typed into its field: the crop view shows it at once.
    LxTextField* height = crop_->cropHeightField();
    click(height);
    EXPECT_TRUE(height->hasFocus());
    height->selectAll();
    QTest::keyClicks(height, "90");
    QTest::keyClick(height, Qt::Key_Return);
    // The rectangle keeps its bottom edge.
    EXPECT_EQ(state().convertCropSize().top, 90);
    EXPECT_EQ(state().convertCropSize().bottom, 0);
    EXPECT_NEAR(c->getclipRectFrame().height, H / 2, 1.0);
    crop_->cropResetAction();

    // The right edge's middle handle to the middle of the view: the left half.
    drag({W - 2, H / 2}, {W / 2, H / 2});
    EXPECT_EQ(crop_->cropWidthField()->text(), "160");
    EXPECT_EQ(crop_->cropHeightField()->text(), "180");
    EXPECT_EQ(state().convertCropSize().right, 160);
    EXPECT_EQ(state().convertCropSize().left, 0);

    // Moved far past the top-right corner, the rectangle stops at the view's sides.
    drag({W / 4, H / 2}, {W * 3, H * 3});
    const CGRect r = c->getclipRectFrame();
    EXPECT_NEAR(r.maxX(), W, 1e-6);
    EXPECT_NEAR(r.y, 0, 1e-6);
    EXPECT_EQ(crop_->cropLeftField()->text(), "160");
    EXPECT_EQ(crop_->cropTopField()->text(), "0");
    EXPECT_EQ(state().convertCropSize().left, 160);
    EXPECT_EQ(state().convertCropSize().right, 0);

    // A press near the left edge away from its grips moves nothing.
    const CGRect before = c->getclipRectFrame();
    drag({before.x + 2, before.y + before.height / 2 + 40}, {before.x - 50, before.y + 10});
    EXPECT_EQ(c->getclipRectFrame(), before);

    // The crop stays on the same pixels when the window changes size.
    const RECT m = state().convertCropSize();
    w.resize(w.width() + 200, w.height() + 100);
    settle(50);
    expectFrameNear(geometry::frame(c), w.pictureRect());
    EXPECT_EQ(state().convertCropSize().left, m.left);
    EXPECT_NEAR(c->getclipRectFrame().x, c->width() / 2, 1.0);

    // Keep aspect starts again from the whole picture; corner drags keep 16:9.
    click(crop_->keepAspectButton());
    settle();
    EXPECT_EQ(c->cropType(), 2);
    EXPECT_EQ(crop_->cropWidthField()->text(), "320");
    const CGRect whole = c->getclipRectFrame();
    drag({whole.maxX() - 2, whole.maxY() - 2}, {whole.maxX() - 2, whole.maxY() - 2 - 45});
    const CGRect kept = c->getclipRectFrame();
    EXPECT_NEAR(kept.width / kept.height, 320.0 / 180.0, 0.02);
    EXPECT_NEAR(kept.x, 0, 1e-6);
    click(crop_->keepAspectButton());
    settle();
    EXPECT_EQ(c->cropType(), 1);
    EXPECT_EQ(c->getclipRectFrame(), kept);
}

TEST_F(PicturePanels, TurnsRefitTheCropViewAndResetsClearEverything) {
    EditVideoWindowController& w = open(EditorToolTypeRotate);
    EXPECT_FALSE(crop_->cliper()->isVisible());
    crop_->cropWidthField()->setText("100");
    crop_->cropFieldEdited(crop_->cropWidthField());
    click(rotate_->rotateButton(true));
    settle();
    EXPECT_EQ(state().playerRotateAngle(), 90);
    EXPECT_EQ(w.videoSize(), QSizeF(180, 320));
    // The left 100 columns are now the top 100 rows of the turned picture.
    EXPECT_EQ(state().convertCropSize().top, 0);
    EXPECT_EQ(state().convertCropSize().bottom, 220);
    EXPECT_EQ(state().convertCropSize().left, 0);
    EXPECT_EQ(crop_->cropHeightField()->text(), "100");
    click(rotate_->mirrorButton(true));
    settle();
    EXPECT_EQ(state().vFlip(), 1);
    EXPECT_EQ(state().hFlip(), 0);

    w.openTool(EditorToolTypeCrop);
    settle();
    EXPECT_TRUE(crop_->cliper()->isVisible());
    expectFrameNear(geometry::frame(crop_->cliper()), w.pictureRect());
    EXPECT_LT(w.pictureRect().width, w.pictureRect().height);

    // The crop tool's reset: the file's own orientation, no mirrors, the whole picture.
    click(crop_->cropResetButton());
    settle();
    EXPECT_EQ(state().playerRotateAngle(), 0);
    EXPECT_EQ(state().vFlip(), 0);
    EXPECT_EQ(state().convertCropSize().bottom, 0);
    EXPECT_EQ(crop_->cropWidthField()->text(), "320");
    EXPECT_EQ(w.videoSize(), QSizeF(320, 180));
}

// A watermark is drawn upright over the turned picture: a turn moves it with the picture and
// keeps its size in pixels.
TEST_F(PicturePanels, WatermarksFollowATurnAtTheirOwnSize) {
    EditVideoWindowController& w = open(EditorToolTypeWatermark);
    QTemporaryDir dir;
    const QString png = dir.filePath("logo.png");
    ASSERT_FALSE(
        testsupport::makeWithFfmpeg(png, {"-f", "lavfi", "-i", "color=c=red:s=64x32", "-frames:v", "1"})
            .isEmpty());
    ASSERT_TRUE(w.tool<WaterMarkPanel>()->addPictureFile(png));
    settle();
    ASSERT_EQ(w.tool<WaterMarkPanel>()->list().size(), 1u);
    const WaterParam& mark = *w.tool<WaterMarkPanel>()->list().front();
    const NSRect before = mark.waterPercentClipRect;
    ASSERT_FALSE(before.isEmpty());
    w.openTool(EditorToolTypeRotate);
    settle();
    click(rotate_->rotateButton(true));
    settle();
    ASSERT_EQ(w.videoSize(), QSizeF(180, 320));
    const NSRect after = mark.waterPercentClipRect;
    EXPECT_NEAR(after.width * 180, before.width * 320, 0.5);
    EXPECT_NEAR(after.height * 320, before.height * 180, 0.5);
    EXPECT_GE(after.x, 0);
    EXPECT_GE(after.y, 0);
    EXPECT_LE(after.x + after.width, 1 + 1e-9);
    EXPECT_LE(after.y + after.height, 1 + 1e-9);
}

TEST_F(PicturePanels, EffectRowsAndAdjustments) {
    // Without a file nothing is enabled and a row click changes nothing.
    open(EditorToolTypeEffect, false);
    ASSERT_GE(effects_->effectTableCells().size(), 4u);
    EffectTableCellView* second = effects_->effectTableCells()[1];
    EXPECT_FALSE(effects_->volumeSlider()->isEnabled());
    click(second, second->rect().center());
    EXPECT_FALSE(second->isSelected());
    EXPECT_TRUE(state().selectedEffectTypeIndexs().empty());
    window_.reset();

    open(EditorToolTypeEffect);
    const std::vector<EffectTableCellView*> rows = effects_->effectTableCells();
    // Every row shows its picture and its name in this language, never a bare key.
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_NE(rows[i]->title(), effects_->effectTypes()[i].name);
        EXPECT_FALSE(rows[i]->title().isEmpty());
        EXPECT_FALSE(NamedImage(effects_->effectTypes()[i].picture).isNil()) << i;
    }
    // Checked in any order, the ids are kept ascending; the check mark alone toggles too.
    click(effects_->effectTableCells()[3], rows[3]->checkRect().center());
    click(rows[1], rows[1]->rect().center());
    EXPECT_EQ(state().selectedEffectTypeIndexs(),
              (std::vector<int>{effects_->effectTypes()[1].id, effects_->effectTypes()[3].id}));
    EXPECT_TRUE(rows[3]->isSelected());

    effects_->volumeSlider()->setValue(55);
    effects_->contrastSlider()->setValue(-30);
    EXPECT_EQ(state().contrast(), -30);

    click(effects_->effectResetButton());
    settle();
    EXPECT_TRUE(state().selectedEffectTypeIndexs().empty());
    EXPECT_DOUBLE_EQ(state().volume(), 1.0);
    EXPECT_EQ(state().contrast(), 0);
    EXPECT_EQ(effects_->contrastSlider()->value(), 0);
    for (EffectTableCellView* row : rows)
        EXPECT_FALSE(row->isSelected());

    // A new file starts with no effects and the sliders at rest.
    click(rows[0], rows[0]->rect().center());
    effects_->brightnessSlider()->setValue(40);
    ASSERT_TRUE(window_->openFile(picturetest::markedClip()));
    EXPECT_TRUE(state().selectedEffectTypeIndexs().empty());
    EXPECT_FALSE(rows[0]->isSelected());
    EXPECT_EQ(effects_->brightnessSlider()->value(), 0);
}

TEST(EffectRow, DisabledRowsAndNotifications) {
    EffectTableCellView row(nullptr);
    row.resize(200, 30);
    int rowClicks = 0, checkClicks = 0;
    std::vector<bool> states;
    row.onRowClicked = [&](EffectTableCellView*, int64_t) { ++rowClicks; };
    row.onStateChanged = [&](EffectTableCellView*, bool on, int64_t) { states.push_back(on); };
    // Without a check-mark receiver, a check change is told through the state callback.
    row.selected(true);
    EXPECT_EQ(states, std::vector<bool>{true});
    row.onCheckClicked = [&](EffectTableCellView*, int64_t) { ++checkClicks; };
    // With one, only highlight changes are told, carrying the highlight state.
    row.selected(false);
    row.setSelectedRow(true);
    EXPECT_EQ(states, (std::vector<bool>{true, true}));

    row.show();
    click(&row, row.checkRect().center());
    click(&row, QPoint(150, 15));
    EXPECT_EQ(checkClicks, 1);
    EXPECT_EQ(rowClicks, 1);
    row.setEnable(false);
    click(&row, row.checkRect().center());
    click(&row, QPoint(150, 15));
    EXPECT_EQ(checkClicks, 1);
    EXPECT_EQ(rowClicks, 1);
}

TEST(CropView, GripsAndLimits) {
    QWidget host;
    host.resize(400, 300);
    LxUICliper c(NSMakeRect(0, 0, 400, 300), &host);
    host.show();
    // A placed rectangle is at least 60 points each way and at most the view.
    c.setClipRect({10, 10, 30, 500});
    EXPECT_EQ(c.getclipRectFrame(), (CGRect{10, 0, 60, 300}));

    c.setClipRect({100, 50, 200, 150});
    const auto press = [&](NSPoint p) {
        QTest::mousePress(&c, Qt::LeftButton, {}, geometry::pointToQt(p, 300).toPoint());
        const int zone = c.cropTouchPoint();
        QTest::mouseRelease(&c, Qt::LeftButton, {}, geometry::pointToQt(p, 300).toPoint());
        return zone;
    };
    EXPECT_EQ(press({101, 199}), 1);
    EXPECT_EQ(press({299, 51}), 4);
    EXPECT_EQ(press({101, 125}), 5);
    EXPECT_EQ(press({101, 150}), 0); // near the left edge, away from its grips
    EXPECT_EQ(press({150, 60}), 0);  // inside, near the bottom edge, off its middle
    EXPECT_EQ(press({200, 190}), 7);
    EXPECT_EQ(press({150, 120}), 9);
    EXPECT_EQ(c.cropTouchPoint(), 0); // cleared by the release

    // The left edge's middle stops 40 points from the right edge, the right edge's 20 from the left.
    const auto dragFrom = [&](NSPoint a, NSPoint b) {
        QTest::mousePress(&c, Qt::LeftButton, {}, geometry::pointToQt(a, 300).toPoint());
        QTest::mouseMove(&c, geometry::pointToQt(b, 300).toPoint());
        QTest::mouseRelease(&c, Qt::LeftButton, {}, geometry::pointToQt(b, 300).toPoint());
    };
    dragFrom({101, 125}, {390, 125});
    EXPECT_EQ(c.getclipRectFrame().x, 260);
    c.setClipRect({100, 50, 200, 150});
    dragFrom({299, 125}, {5, 125});
    EXPECT_EQ(c.getclipRectFrame().width, 20);

    // Keep-aspect with a 16:9 picture: up 9 points widens by 16; sideways alone changes nothing.
    c.setVideoSize(QSizeF(1600, 900));
    c.setCropType(2);
    c.setClipRect({100, 50, 160, 90});
    dragFrom({259, 140}, {259, 149});
    EXPECT_NEAR(c.getclipRectFrame().width, 176, 0.01);
    const CGRect before = c.getclipRectFrame();
    dragFrom({before.maxX() - 1, before.maxY()}, {before.maxX() + 60, before.maxY()});
    EXPECT_NEAR(c.getclipRectFrame().width, before.width, 0.01);
    // A large height never takes the rectangle past the view.
    dragFrom({c.getclipRectFrame().maxX() - 1, c.getclipRectFrame().maxY() - 1}, {399, 299});
    EXPECT_LE(c.getclipRectFrame().maxX(), 400.0 + 1e-6);
    EXPECT_LE(c.getclipRectFrame().maxY(), 300.0 + 1e-6);
}

} // namespace
