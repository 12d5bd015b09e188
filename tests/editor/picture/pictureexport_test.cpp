// The crop, rotate and effects tools driven in the editor window on a real clip, and what an
// export of that state writes, judged by pixels of frames decoded by the ffmpeg command line:
// the crop's size and region, the marked corner after turns and mirrors, brightness,
// saturation, every listed effect and the adjust volume. The preview's frame at the same time
// must match the export's frame for each setting.
#include "../../tools/shared/ToolWindowDriver.h"
#include "../core/EditorTestClips.h"
#include "PictureTestClips.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/core/EditorConvertJob.h"
#include "editor/picture/CropTool.h"
#include "editor/picture/EffectTableCellView.h"
#include "editor/picture/EffectsTool.h"
#include "editor/picture/RotateTool.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/PreviewPane.h"

#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <vector>

using namespace tooltest;
using namespace picturetest;

namespace {

class PictureExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(out_.isValid());
        window_ = std::make_unique<EditVideoWindowController>(EditorToolTypeCrop);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ASSERT_TRUE(window_->openFile(markedClip()));
        settle(100);
        crop_ = window_->tool<CropTool>();
        rotate_ = window_->tool<RotateTool>();
        effects_ = window_->tool<EffectsTool>();
        ASSERT_TRUE(crop_ && rotate_ && effects_);
    }
    void TearDown() override {
        answerAlerts();
        window_.reset();
        settle();
    }

    EditState& state() { return window_->session().state(); }

    // Exports the edit state as the window's Start does, on this thread; the output path.
    QString exportNow(const QString& name) {
        SimpleData& record = *window_->session().file().fileData;
        state().writeInto(record);
        EditorConvertJob::Settings s;
        s.record = window_->session().file().fileData;
        const QString path = out_.filePath(name + ".mp4");
        int error = 0;
        auto job = EditorConvertJob::create(s, {}, path, &error);
        EXPECT_TRUE(job) << name.toStdString() << " set-up " << error;
        if (!job)
            return {};
        const int r = job->start();
        EXPECT_GE(r, 1) << name.toStdString();
        return path;
    }

    // The preview's frame at t, as the player shows it (before the crop, which the preview
    // shows as a frame over the picture), scaled to size.
    QImage previewAt(double t, QSize size) {
        window_->preview()->seek(t);
        LxMoviePlayer* p = window_->preview()->player();
        p->Refresh();
        // The picture of that seek and refresh, whenever it is up on a busy machine.
        auto shot = std::make_shared<std::optional<QImage>>();
        p->SnapshotWhenReady(size.width(), size.height(), [shot](QImage img) { *shot = std::move(img); });
        EXPECT_TRUE(waitUntil([&] { return shot->has_value(); }, 60000));
        const QImage img = shot->value_or(QImage());
        EXPECT_FALSE(img.isNull());
        return img.convertToFormat(QImage::Format_RGB32);
    }

    // The export's frame at t, and the preview's frame at t cut to the exported crop.
    void expectPreviewMatchesExport(const QString& exported, double t, double tolerance = 8) {
        const QImage frame = testsupport::ffmpegFrameAt(exported, t);
        ASSERT_FALSE(frame.isNull());
        const QSizeF v = window_->videoSize();
        const RECT& m = state().convertCropSize();
        const QImage preview = previewAt(t, v.toSize());
        const QImage region = preview.copy(m.left, m.top, int(v.width()) - m.left - m.right,
                                           int(v.height()) - m.top - m.bottom);
        EXPECT_LT(testsupport::meanAbsDiff(region, frame), tolerance) << exported.toStdString();
    }

    void typeCrop(LxTextField* field, int value) {
        field->setText(QString::number(value));
        crop_->cropFieldEdited(field);
    }

    editortest::ScratchDefaults defaults_;
    QTemporaryDir out_;
    std::unique_ptr<EditVideoWindowController> window_;
    CropTool* crop_ = nullptr;
    RotateTool* rotate_ = nullptr;
    EffectsTool* effects_ = nullptr;
};

TEST_F(PictureExport, ACropWritesThatRegionAtThatSize) {
    typeCrop(crop_->cropWidthField(), 160);
    typeCrop(crop_->cropHeightField(), 90);
    typeCrop(crop_->cropLeftField(), 32);
    typeCrop(crop_->cropTopField(), 20);
    const RECT& m = state().convertCropSize();
    EXPECT_EQ(m.left, 32);
    EXPECT_EQ(m.top, 20);
    EXPECT_EQ(m.right, 128);
    EXPECT_EQ(m.bottom, 70);

    const QString out = exportNow("crop");
    const QJsonObject v = testsupport::probeStream(out, "video");
    EXPECT_EQ(v.value("width").toInt(), 160);
    EXPECT_EQ(v.value("height").toInt(), 90);
    const QImage source = testsupport::ffmpegFrameAt(markedClip(), 1.0).copy(32, 20, 160, 90);
    EXPECT_LT(testsupport::meanAbsDiff(testsupport::ffmpegFrameAt(out, 1.0), source), 6);
    expectPreviewMatchesExport(out, 1.0);

    // Values outside the picture are held inside it: the offset moves the rectangle to the
    // edge, a size is at most the picture's.
    typeCrop(crop_->cropLeftField(), 5000);
    EXPECT_EQ(crop_->cropLeftField()->text(), "160");
    typeCrop(crop_->cropTopField(), -40);
    EXPECT_EQ(crop_->cropTopField()->text(), "0");
    typeCrop(crop_->cropWidthField(), 9999);
    EXPECT_EQ(crop_->cropWidthField()->text(), "320");
    EXPECT_EQ(crop_->cropLeftField()->text(), "0");
    EXPECT_EQ(state().convertCropSize().left, 0);
    EXPECT_EQ(state().convertCropSize().right, 0);
    EXPECT_EQ(state().convertCropSize().top, 0);
    EXPECT_EQ(state().convertCropSize().bottom, 90);
}

// Each case: the steps from the file's own orientation, the exported size of the left half
// of the picture carried along, and where the red block must be in the export (Qt corner).
struct TurnCase {
    const char* name;
    std::vector<int> steps; // 1 right, -1 left, 2 horizontal mirror, -2 vertical mirror
    QSize size;
    bool atRight, atBottom;
};

TEST_F(PictureExport, TurnsAndMirrorsMoveTheMarkedCornerWithTheCrop) {
    const TurnCase cases[] = {
        {"right", {1}, {180, 160}, true, false},
        {"left", {-1}, {180, 160}, false, true},
        {"half", {1, 1}, {160, 180}, true, true},
        {"hmirror", {2}, {160, 180}, true, false},
        {"vmirror", {-2}, {160, 180}, false, true},
        // Turned right, the mirror as seen swaps left and right of the turned picture.
        {"right_hmirror", {1, 2}, {180, 160}, false, false},
    };
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(c.name);
        crop_->cropResetAction();
        // The left half of the picture, red block included.
        typeCrop(crop_->cropWidthField(), 160);
        typeCrop(crop_->cropLeftField(), 0);
        for (int s : c.steps) {
            if (s == 1 || s == -1)
                rotate_->rotateAction(s == 1);
            else
                rotate_->mirrorAction(s == 2);
        }
        const QString out = exportNow(QString::fromUtf8(c.name));
        const QImage frame = testsupport::ffmpegFrameAt(out, 1.0);
        ASSERT_EQ(frame.size(), c.size);
        // The red block in its corner, the black ones in the three others.
        for (bool right : {false, true})
            for (bool bottom : {false, true}) {
                const int x = right ? c.size.width() - kMark + 8 : 8,
                          y = bottom ? c.size.height() - kMark + 8 : 8;
                const Mean m = meanOf(frame, QRect(x, y, kMark - 16, kMark - 16));
                EXPECT_EQ(isRed(m), right == c.atRight && bottom == c.atBottom) << right << bottom;
                EXPECT_EQ(isBlack(m), !(right == c.atRight && bottom == c.atBottom)) << right << bottom;
            }
        expectPreviewMatchesExport(out, 1.0);
    }
    // A snapshot of the preview shows the turned picture as the export writes it.
    crop_->cropResetAction();
    rotate_->rotateAction(false);
    const QImage exported = testsupport::ffmpegFrameAt(exportNow("left_whole"), 1.0);
    window_->preview()->seek(1.0);
    settle(300);
    QString written;
    window_->preview()->snapshot(out_.path(), "png",
                                 [&](const QString& path) { written = path.isEmpty() ? "-" : path; });
    ASSERT_TRUE(waitUntil([&] { return !written.isEmpty(); }, 60000));
    const QImage shot(written);
    ASSERT_EQ(shot.size(), QSize(kHeight, kWidth));
    EXPECT_LT(testsupport::meanAbsDiff(shot.convertToFormat(QImage::Format_RGB32), exported), 8);
    rotate_->rotateAction(true);
    typeCrop(crop_->cropWidthField(), 160);
    rotate_->rotateAction(true);
    rotate_->mirrorAction(false);

    // Reset brings the file's own orientation back, the crop still on the same pixels.
    rotate_->rotateResetAction();
    EXPECT_EQ(state().playerRotateAngle(), 0);
    EXPECT_EQ(state().hFlip(), 0);
    EXPECT_EQ(state().vFlip(), 0);
    EXPECT_EQ(state().convertCropSize().left, 0);
    EXPECT_EQ(state().convertCropSize().right, 160);
}

TEST_F(PictureExport, AdjustmentsAndEveryEffectChangeTheExportAsPreviewed) {
    const QImage plain = testsupport::ffmpegFrameAt(exportNow("plain"), 1.0);
    ASSERT_FALSE(plain.isNull());
    const auto meanLuma = [](const QImage& img) {
        const Mean m = meanOf(img, img.rect());
        return 0.299 * m.r + 0.587 * m.g + 0.114 * m.b;
    };

    effects_->brightnessSlider()->setValue(80);
    EXPECT_EQ(state().brightness(), 80);
    QString out = exportNow("bright");
    EXPECT_GT(meanLuma(testsupport::ffmpegFrameAt(out, 1.0)), meanLuma(plain) + 30);
    expectPreviewMatchesExport(out, 1.0);
    effects_->effectResetAction();

    effects_->saturationSlider()->setValue(effects_->saturationSlider()->minimum());
    out = exportNow("grey");
    const Mean block = meanOf(testsupport::ffmpegFrameAt(out, 1.0), QRect(8, 8, kMark - 16, kMark - 16));
    EXPECT_NEAR(block.r, block.g, 6);
    EXPECT_NEAR(block.g, block.b, 6);
    expectPreviewMatchesExport(out, 1.0);
    effects_->effectResetAction();

    // One row per listed effect; each alone changes the picture, and the preview shows it.
    const auto& rows = effects_->effectTableCells();
    ASSERT_EQ(rows.size(), effects_->effectTypes().size());
    ASSERT_FALSE(rows.empty());
    for (size_t i = 0; i < rows.size(); ++i) {
        const EffectListEntry& e = effects_->effectTypes()[i];
        SCOPED_TRACE(e.name.toStdString());
        click(rows[i], rows[i]->rect().center());
        ASSERT_EQ(state().selectedEffectTypeIndexs(), std::vector<int>{e.id});
        out = exportNow(QStringLiteral("effect_%1").arg(e.id));
        const QImage frame = testsupport::ffmpegFrameAt(out, 1.0);
        EXPECT_GT(testsupport::meanAbsDiff(frame, plain), 1.5);
        // Film grain is random in each frame; every other effect shows as it is written.
        if (e.id != 13)
            expectPreviewMatchesExport(out, 1.0);
        click(rows[i], rows[i]->rect().center());
        EXPECT_TRUE(state().selectedEffectTypeIndexs().empty());
    }
}

TEST_F(PictureExport, AFileTurnedByItsOwnRotationIsCroppedAsShown) {
    // The clip stores its picture on its side and asks players to turn it a quarter.
    const QString clip = testsupport::media("rotated_90.mp4");
    ASSERT_TRUE(window_->openFile(clip));
    settle(100);
    const QImage shown = testsupport::ffmpegFrameAt(clip, 1.0);
    ASSERT_FALSE(shown.isNull());
    ASSERT_LT(shown.width(), shown.height());
    EXPECT_EQ(window_->videoSize(), QSizeF(shown.size()));

    // The top half of the picture as shown.
    typeCrop(crop_->cropHeightField(), shown.height() / 2);
    typeCrop(crop_->cropTopField(), 0);
    const QString out = exportNow("own_rotation");
    const QImage frame = testsupport::ffmpegFrameAt(out, 1.0);
    ASSERT_EQ(frame.size(), QSize(shown.width(), shown.height() / 2));
    EXPECT_LT(testsupport::meanAbsDiff(frame, shown.copy(0, 0, shown.width(), shown.height() / 2)), 8);
}

TEST_F(PictureExport, TheAdjustVolumeReachesTheExport) {
    const double plain = testsupport::audioRms(exportNow("loud"), 0.5, 1.5);
    ASSERT_GT(plain, 0.05);
    effects_->volumeSlider()->setValue(50);
    EXPECT_DOUBLE_EQ(state().volume(), 0.5);
    const double half = testsupport::audioRms(exportNow("half"), 0.5, 1.5);
    EXPECT_NEAR(half / plain, 0.5, 0.08);
}

} // namespace
