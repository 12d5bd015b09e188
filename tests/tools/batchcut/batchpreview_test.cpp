// The batch cutter's preview of an MPEG-TS, whose groups of pictures are long and which has no
// index to seek by: the picture shown for a typed start is the one at that time, the picture
// the cut from there starts with.
#include "BatchDriver.h"

#include "tools/shared/PreviewPane.h"

#include <cmath>

using namespace batchtest;

TEST(BatchCutPreview, AnMpegTsShowsThePictureOfTheTypedStart) {
    QTemporaryDir dir;
    // The same pictures in MP4 tell which one the preview shows.
    const auto [mp4, ts] = testsupport::makeLongGroupClips(dir.path());
    ASSERT_FALSE(ts.isEmpty());
    Driver d;
    d.addFile(ts);
    ASSERT_EQ(d.window->fileList().size(), 1u);
    d.selectRow(0);
    for (const double start : {7.58, 3.3}) {
        Driver::type(d.window->startTimeRow, start);
        ASSERT_NEAR(d.range(0).first, start, 0.006);
        QImage shown;
        d.window->preview()->currentFrame(QSize(320, 240), [&](const QImage& image) { shown = image; });
        ASSERT_TRUE(waitUntil([&] { return !shown.isNull(); }, 60000));
        const auto at = [&](double t) {
            return testsupport::meanAbsDiff(shown.convertToFormat(QImage::Format_RGB32),
                                            testsupport::ffmpegFrameAt(mp4, t).scaled(shown.size()));
        };
        const double picture = std::ceil(start * 25 - 1e-6) / 25; // the first at or after
        EXPECT_LT(at(picture), 3.0) << start;
        EXPECT_LT(at(picture), at(picture + 0.04)) << start;
        EXPECT_LT(at(picture), at(picture - 0.04)) << start;
    }
}
