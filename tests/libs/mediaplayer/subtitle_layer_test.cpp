// The subtitle drawn once per stretch of unchanging lines and laid over each picture gives the
// pictures the subtitle filter gives, inside the lines, at their edges and outside them; a file
// whose lines may change within their time is left to the filter.
#include "SubtitleLayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

namespace {

std::string writeFile(const QTemporaryDir& dir, const char* name, const char* text) {
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(text) > 0 ? f.fileName().toStdString() : std::string();
}

// Gradients in every plane, so that each sample differs from its neighbours.
ff::FramePtr picture(int64_t us) {
    ff::FramePtr f = ff::makeFrame();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = 320;
    f->height = 240;
    f->pts = us;
    if (av_frame_get_buffer(f.get(), 0) < 0)
        return nullptr;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? 120 : 240); ++y)
            for (int x = 0; x < (p ? 160 : 320); ++x)
                f->data[p][y * f->linesize[p] + x] = uint8_t(p == 0   ? 16 + (x + y) % 220
                                                             : p == 1 ? x
                                                                      : 255 - y);
    return f;
}

// The largest difference of two pictures' samples, and how many differ by more than 8.
std::pair<int, int> compare(const AVFrame* a, const AVFrame* b) {
    int worst = 0, many = 0;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? 120 : 240); ++y)
            for (int x = 0; x < (p ? 160 : 320); ++x) {
                const int d =
                    std::abs(a->data[p][y * a->linesize[p] + x] - b->data[p][y * b->linesize[p] + x]);
                worst = std::max(worst, d);
                many += d > 8;
            }
    return {worst, many};
}

} // namespace

TEST(SubtitleLayer, GivesThePicturesOfTheSubtitleFilter) {
    QTemporaryDir dir;
    mediafx::FxSettings s;
    mediarecords::writeText(s.subtitle.path,
                            writeFile(dir, "lines.srt",
                                      "1\n00:00:00,500 --> 00:00:01,000\nFirst line\n\n"
                                      "2\n00:00:00,800 --> 00:00:02,000\n<i>Second</i>, longer\n\n"));
    s.subtitle.position = -1;
    s.subtitle.fontSize = 24;
    s.subtitle.fontColor = 0xFFFFFF00;
    s.subtitle.shadowColor = 0x4080C000;
    s.subtitle.shadow = 1;
    mediafx::VideoInput in{320, 240, AV_PIX_FMT_YUV420P, ff::kMicro, {1, 1}};
    mediafx::FxGraph filter;
    ASSERT_GE(filter.buildVideo(s, in, {}), 0);
    SubtitleLayer layer;
    ASSERT_TRUE(layer.build(s, in));
    for (const int64_t ms : {0, 499, 500, 700, 799, 800, 833, 999, 1000, 1500, 1999, 2000, 2500}) {
        const ff::FramePtr drawn = ff::makeFrame();
        const ff::FramePtr given = picture(ms * 1000), laid = picture(ms * 1000), plain = picture(ms * 1000);
        ASSERT_GE(filter.pushVideo(given.get()), 0);
        ASSERT_GE(filter.pullVideo(drawn.get()), 0);
        ASSERT_TRUE(layer.apply(laid.get(), ms * 1000));
        const auto [worst, many] = compare(drawn.get(), laid.get());
        EXPECT_TRUE(worst <= 3 && many == 0) << ms << " ms: " << worst;
        EXPECT_EQ(compare(drawn.get(), plain.get()).second > 100, ms >= 500 && ms < 2000) << ms << " ms";
    }
}

TEST(SubtitleLayer, LinesThatMayChangeWithinTheirTimeAreLeftToTheFilter) {
    QTemporaryDir dir;
    std::vector<int64_t> changes;
    ASSERT_TRUE(SubtitleLayer::lineChanges(
        writeFile(dir, "a.srt",
                  "1\n00:00:00,500 --> 00:00:01,000\nOne\n\n2\n00:00:00,800 --> 00:00:02,000\nTwo\n\n"),
        &changes));
    EXPECT_EQ(changes, (std::vector<int64_t>{500, 800, 1000, 2000}));
    EXPECT_FALSE(SubtitleLayer::lineChanges(
        writeFile(dir, "b.srt", "1\n00:00:00,500 --> 00:00:01,000\n{\\an8}Up {\\move(0,0,90,90)}moving\n\n"),
        &changes));
    EXPECT_FALSE(SubtitleLayer::lineChanges(writeFile(dir, "c.ass",
                                                      "[Script Info]\nScriptType: v4.00+\n\n[Events]\n"
                                                      "Format: Layer, Start, End, Style, Text\n"
                                                      "Dialogue: 0,0:00:00.50,0:00:01.00,Default,One\n"),
                                            &changes));
}
