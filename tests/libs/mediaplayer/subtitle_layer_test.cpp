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

QString writeFile(const QTemporaryDir& dir, const char* name, const char* text) {
    const QString path = dir.filePath(name);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) > 0 ? path : QString();
}

mediafx::FxSettings subtitled(const QString& path) {
    mediafx::FxSettings s;
    mediarecords::writeText(s.subtitle.path, path.toStdString());
    s.subtitle.position = -1;
    s.subtitle.fontSize = 24;
    s.subtitle.fontColor = 0xFFFFFF00;
    s.subtitle.shadowColor = 0x4080C000;
    s.subtitle.shadow = 1;
    return s;
}

// Gradients in every plane, so that each sample differs from its neighbours.
ff::FramePtr picture(int64_t us) {
    ff::FramePtr f = ff::makeFrame();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = 320;
    f->height = 240;
    f->sample_aspect_ratio = {1, 1};
    if (av_frame_get_buffer(f.get(), 0) < 0)
        return nullptr;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? 120 : 240); ++y)
            for (int x = 0; x < (p ? 160 : 320); ++x)
                f->data[p][y * f->linesize[p] + x] = uint8_t(p == 0   ? 16 + (x + y) % 220
                                                             : p == 1 ? x
                                                                      : 255 - y);
    f->pts = us;
    return f;
}

// The largest difference of two pictures' samples, and how many samples differ by more than 8.
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
    const QString srt = writeFile(dir, "lines.srt",
                                  "1\n00:00:00,500 --> 00:00:01,000\nFirst line\n\n"
                                  "2\n00:00:00,800 --> 00:00:02,000\n<i>Second</i>, and longer\n\n");
    const mediafx::FxSettings s = subtitled(srt);
    mediafx::VideoInput in;
    in.width = 320;
    in.height = 240;
    in.format = AV_PIX_FMT_YUV420P;
    in.sampleAspect = {1, 1};
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
        EXPECT_LE(worst, 3) << ms << " ms";
        EXPECT_EQ(many, 0) << ms << " ms";
        const bool shown = ms >= 500 && ms < 2000;
        EXPECT_EQ(compare(drawn.get(), plain.get()).second > 100, shown) << ms << " ms";
    }
}

TEST(SubtitleLayer, LinesThatMayChangeWithinTheirTimeAreLeftToTheFilter) {
    QTemporaryDir dir;
    std::vector<int64_t> changes;
    ASSERT_TRUE(SubtitleLayer::lineChanges(
        writeFile(dir, "a.srt",
                  "1\n00:00:00,500 --> 00:00:01,000\nOne\n\n2\n00:00:00,800 --> 00:00:02,000\nTwo\n\n")
            .toStdString(),
        &changes));
    EXPECT_EQ(changes, (std::vector<int64_t>{500, 800, 1000, 2000}));
    EXPECT_FALSE(SubtitleLayer::lineChanges(
        writeFile(dir, "b.srt", "1\n00:00:00,500 --> 00:00:01,000\n{\\an8}Up {\\move(0,0,90,90)}moving\n\n")
            .toStdString(),
        &changes));
    EXPECT_FALSE(SubtitleLayer::lineChanges(
        writeFile(dir, "c.ass",
                  "[Script Info]\nScriptType: v4.00+\n\n[Events]\nFormat: Layer, Start, End, Style, Text\n"
                  "Dialogue: 0,0:00:00.50,0:00:01.00,Default,One\n")
            .toStdString(),
        &changes));
}
