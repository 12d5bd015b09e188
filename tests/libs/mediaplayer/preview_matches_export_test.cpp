// What the preview shows is what the export writes: the same settings on a player and on an
// engine convert job of the same clip give the same picture at the same time. The export is
// lossless (FFV1) and decoded by the ffmpeg command line, so only the colour conversion differs.
#include "FrameConverter.h"
#include "PlayerTestUtil.h"
#include "TestSupport.h"
#include "VideoFilter.h"
#include "mediacore/MediaCore.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace playertest;
using testsupport::ffmpegFrameAt;
using testsupport::meanAbsDiff;
using testsupport::media;

namespace {

// Lossless export against the preview: colour conversion only (the export keeps half the
// colour resolution, which shows at the edges of text), over the picture and in any sixteenth.
constexpr double kSame = 4.0;
constexpr double kSameTile = 10.0;

// Draws the mark's text with its font size and colour (red in bits 8-15, green 16-23, blue
// 24-31), the baseline starting at the origin counted from the bottom-left corner, as the
// program's drawing function does.
void drawText(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM param) {
    QImage canvas(buffer, width, height, width * 4, QImage::Format_RGBA8888_Premultiplied);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QString::fromUtf8(param.szFontName));
    font.setPixelSize(param.fontsize);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(
        QColor((param.fontclr >> 8) & 255, (param.fontclr >> 16) & 255, (param.fontclr >> 24) & 255));
    painter.drawText(QPoint(param.rect.left, height - param.rect.top), QString::fromUtf8(param.text));
}

// Every setting the editor can apply to the picture, for both sides.
struct Look {
    int rotate = 0;
    bool hflip = false, vflip = false;
    int brightness = 0, contrast = 0, saturation = 0;
    std::vector<int> effects;
    std::vector<TEXT_WATERMARK_PARAM> texts;
    QString subtitle; // .srt path, or empty
};

SUBTITLE_PARAM subtitleRecord(const QString& path) {
    SUBTITLE_PARAM s{};
    mediarecords::writeText(s.path, path.toStdString());
    s.position = 60;
    s.fontSize = 28;
    s.shadow = 1;
    s.fontColor = s.shadowColor = 0xFFFF0000; // yellow
    return s;
}

void apply(LxMoviePlayer& p, const Look& look) {
    p.SetRotateAngle(look.rotate);
    p.SetHFlip(look.hflip);
    p.SetVFlip(look.vflip);
    p.SetBCS(look.brightness, look.contrast, look.saturation);
    for (int id : look.effects)
        p.AddImageEffect(id);
    p.SetDrawTextCallback(drawText);
    for (const TEXT_WATERMARK_PARAM& t : look.texts)
        ASSERT_EQ(p.AddTextWatermask(t), 1);
    if (!look.subtitle.isEmpty())
        p.SetSubtitle(subtitleRecord(look.subtitle));
}

// Exports `clip` with `look` to a lossless file in `dir`; empty on failure.
QString exportWith(const QString& clip, const Look& look, const QTemporaryDir& dir, const QString& name) {
    const QString out = dir.filePath(name + ".mkv");
    void* job = apiMediaConvertCreate();
    bool ok = apiMediaConvertSetInputMedia(job, clip.toUtf8().constData()) >= 1 &&
              apiMediaConvertSetVcodec(job, "ffv1") >= 1 && apiMediaConvertSetAcodec(job, "flac") >= 1 &&
              apiMediaConvertSetRotateAngle(job, look.rotate) >= 1 &&
              apiMediaConvertHFlipStatus(job, look.hflip) >= 1 &&
              apiMediaConvertVFlipStatus(job, look.vflip) >= 1 &&
              apiMediaConvertAdjustBCS(job, look.brightness, look.contrast, look.saturation) >= 1;
    for (int id : look.effects)
        ok = ok && apiMediaConvertAddImageEffect(job, id) >= 1;
    apiMediaConvertSetDrawTextCallback(drawText);
    for (const TEXT_WATERMARK_PARAM& t : look.texts)
        ok = ok && apiMediaConvertAddTextWatermask(job, t) >= 1;
    if (!look.subtitle.isEmpty())
        ok = ok && apiMediaConvertSetSubtitle(job, subtitleRecord(look.subtitle)) >= 1;
    ok = ok && apiMediaConvertSetOutputPath(job, out.toUtf8().constData()) >= 1 &&
         apiMediaConvertStart(job) >= 1;
    apiMediaConvertClose(job);
    return ok && QFile::exists(out) ? out : QString();
}

// The player's picture at `seconds` (paused there), at the size of `like`.
QImage previewAt(LxMoviePlayer& p, double seconds, const QImage& like) {
    p.seekTime(CMTimeMakeWithSeconds(seconds, 1000000000));
    return snapshot(p, like.width(), like.height());
}

TEXT_WATERMARK_PARAM textMark(const char* text, int left, int top, double from, double to,
                              uint32_t colour = 0x00FFFF00 /* cyan */) {
    TEXT_WATERMARK_PARAM m{};
    mediarecords::writeText(m.text, text);
    mediarecords::writeText(m.szFontName, "DejaVu Sans");
    m.rect = {left, top, left + 150, top + 40};
    m.fontsize = 34;
    m.fontclr = colour;
    m.start_time = int64_t(from * 1e6);
    m.end_time = int64_t(to * 1e6);
    return m;
}

QString writeSrt(const QTemporaryDir& dir) {
    const QString path = dir.filePath("lines.srt");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("1\n00:00:00,800 --> 00:00:02,000\nPreview line\n\n2\n00:00:02,500 --> 00:00:03,500\nSecond\n\n");
    return path;
}

// The largest mean difference over a 4 x 4 grid of tiles: a small part missing on one side (a
// subtitle line, a mark) stands out in its tile even when the whole picture differs little.
double worstTileDiff(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 255;
    double worst = 0;
    for (int ty = 0; ty < 4; ++ty)
        for (int tx = 0; tx < 4; ++tx) {
            const QRect tile(tx * a.width() / 4, ty * a.height() / 4, a.width() / 4, a.height() / 4);
            worst = std::max(worst, meanAbsDiff(a.copy(tile), b.copy(tile)));
        }
    return worst;
}

// Expects the preview to match the export at frame-exact times (25 fps).
void expectSame(const QString& clip, const Look& previewLook, const QString& exported,
                const std::vector<double>& times) {
    LxMoviePlayer p(clip, QRect(0, 0, 320, 240));
    EXPECT_TRUE(p.isOpen());
    apply(p, previewLook);
    for (double t : times) {
        const QImage written = ffmpegFrameAt(exported, t);
        EXPECT_FALSE(written.isNull()) << t;
        const QImage shown = previewAt(p, t, written);
        EXPECT_FALSE(shown.isNull()) << t;
        EXPECT_LT(meanAbsDiff(shown, written), kSame) << "at " << t << " s";
        EXPECT_LT(worstTileDiff(shown, written), kSameTile) << "at " << t << " s";
    }
}

// The clip's pictures through the preview's filter as it runs while playing, each wanted no
// larger than `box`: the one at `seconds`, converted as the view converts it.
QImage playedPictureAt(const QString& clip, const PreviewSettings& s, QSize box, double seconds) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, clip.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    avformat_find_stream_info(fmt, nullptr);
    const int vs = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[vs]->codecpar->codec_id);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, fmt->streams[vs]->codecpar);
    avcodec_open2(dec, codec, nullptr);
    VideoFilter filter;
    std::vector<FilteredFrame> out;
    QImage picture;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool first = true;
    while (picture.isNull() && av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == vs && avcodec_send_packet(dec, pkt) >= 0)
            while (picture.isNull() && avcodec_receive_frame(dec, frame) >= 0) {
                const int64_t us = av_rescale_q(frame->pts, fmt->streams[vs]->time_base, ff::kMicro);
                out.clear();
                EXPECT_TRUE(filter.push(frame, us, s, first, out, box));
                first = false;
                for (const FilteredFrame& f : out)
                    if (std::abs(f.ptsUs - int64_t(seconds * 1e6)) < 1000)
                        picture = FrameConverter().toImage(f.frame.get(), {f.frame->width, f.frame->height});
            }
        av_packet_unref(pkt);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return picture;
}

} // namespace

TEST(PreviewMatchesExport, APictureMadeAtTheViewsSizeMatchesTheExportShrunkToIt) {
    // Playing, the marks and the subtitle are laid over the picture already shrunk to the view.
    QTemporaryDir dir;
    const QString clip = media("h264_aac.mp4");
    Look look;
    look.rotate = 90;
    look.texts = {textMark("Cutbench", 10, 250, 0.5, 3.0), textMark("B", 180, 20, 1.5, 4.0, 0xFFFFFF00)};
    look.subtitle = writeSrt(dir);
    const QString out = exportWith(clip, look, dir, "shrunk");
    ASSERT_FALSE(out.isEmpty());
    PreviewSettings s;
    s.fx.rotation = look.rotate;
    s.fx.textMarks = look.texts;
    s.fx.subtitle = subtitleRecord(look.subtitle);
    s.drawText = drawText;
    // The upright 240 x 320 picture in a 320 x 240 view: 180 x 240; in a 160 x 120 one, 90 x 120
    // (the decoded picture halved first).
    for (const auto& [view, size] :
         {std::pair{QSize(320, 240), QSize(180, 240)}, {QSize(160, 120), QSize(90, 120)}}) {
        const QImage shown = playedPictureAt(clip, s, view, 1.6);
        ASSERT_EQ(shown.size(), size);
        const QString png = testsupport::makeWithFfmpeg(
            dir.filePath("shrunk.png"),
            {"-i", out, "-ss", "1.6", "-frames:v", "1", "-vf",
             QString("scale=%1:%2:flags=area,format=yuv420p").arg(size.width()).arg(size.height())});
        const QImage written = QImage(png).convertToFormat(QImage::Format_RGB32);
        EXPECT_LT(meanAbsDiff(shown, written), kSame) << size.width();
        EXPECT_LT(worstTileDiff(shown, written), kSameTile) << size.width();
    }
}

TEST(PreviewMatchesExport, TurnMirrorsAdjustmentsAndEffects) {
    QTemporaryDir dir;
    const QString clip = media("h264_aac.mp4");
    for (const Look& look :
         {Look{90, true, false, 40, 30, -40, {}, {}, {}}, Look{270, false, true, -30, 0, 60, {5}, {}, {}},
          Look{180, true, true, 0, -20, 0, {3, 9}, {}, {}}}) {
        SCOPED_TRACE(look.rotate);
        const QString out = exportWith(clip, look, dir, QString("look%1").arg(look.rotate));
        ASSERT_FALSE(out.isEmpty());
        expectSame(clip, look, out, {0.0, 1.0, 2.4});
    }
}

TEST(PreviewMatchesExport, TextMarkAndSubtitleOnATurnedPicture) {
    QTemporaryDir dir;
    const QString clip = media("h264_aac.mp4");
    Look look;
    look.rotate = 90;
    look.vflip = true;
    look.texts = {textMark("Cutbench", 10, 250, 0.5, 3.0),
                  textMark("B", 180, 20, 1.5, 4.0, 0xFFFFFF00 /* white */)};
    look.subtitle = writeSrt(dir);
    const QString out = exportWith(clip, look, dir, "marks");
    ASSERT_FALSE(out.isEmpty());
    // Before, within and after the mark and subtitle times.
    expectSame(clip, look, out, {0.2, 1.0, 1.6, 2.2, 2.8, 3.4});
}

TEST(PreviewMatchesExport, ThePictureWhilePlayingMatchesToo) {
    QTemporaryDir dir;
    const QString clip = media("long_10s.mp4");
    Look look;
    look.rotate = 90;
    look.hflip = true;
    look.brightness = 30;
    look.texts = {textMark("Mark", 20, 40, 0, 10)};
    look.subtitle = writeSrt(dir); // "Second" from 2.5 s to 3.5 s
    const QString out = exportWith(clip, look, dir, "playing");
    ASSERT_FALSE(out.isEmpty());
    LxMoviePlayer p(clip, QRect(0, 0, 320, 240));
    apply(p, look);
    p.seekTime(CMTimeMakeWithSeconds(2.0, 1000000000));
    p.play();
    // Paused inside the subtitle's time; a loaded machine may start the sound late, so the
    // test waits for the clock, not for a fixed time.
    ASSERT_TRUE(waitFor([&] { return seconds(p.currentTime()) > 2.7; }, 60000));
    p.pause();
    const double t = seconds(p.currentTime());
    ASSERT_GT(t, 2.6); // paused, the position is the picture shown: at most a frame back
    const QImage shot = snapshot(p, 240, 320);
    // The frame up is the one at the clock or the one before it.
    const double frameStart = std::floor(t * 25 + 1e-6) / 25;
    double whole = 255, tile = 255;
    for (double at : {frameStart, frameStart - 0.04}) {
        const QImage written = ffmpegFrameAt(out, at);
        whole = std::min(whole, meanAbsDiff(shot, written));
        tile = std::min(tile, worstTileDiff(shot, written));
    }
    EXPECT_LT(whole, kSame) << "paused at " << t;
    EXPECT_LT(tile, kSameTile) << "paused at " << t;
}

TEST(PreviewMatchesExport, ASnapshotLargerThanTheViewWhilePlayingIsTheWholePicture) {
    // Playing, the view's picture is made smaller than the file's; a snapshot at the file's
    // size is made from the whole picture, the one the ffmpeg tool turns alike.
    QTemporaryDir dir;
    const QString clip = media("long_10s.mp4");
    LxMoviePlayer p(clip, QRect(0, 0, 320, 240));
    p.SetRotateAngle(90);
    p.play();
    ASSERT_TRUE(waitFor([&] { return seconds(p.currentTime()) > 1.0; }, 60000));
    const double before = seconds(p.currentTime());
    const QImage shot = snapshot(p, 240, 320);
    const double after = seconds(p.currentTime());
    p.pause();
    ASSERT_EQ(shot.size(), QSize(240, 320));
    // The picture taken is one of those shown between the two readings of the clock.
    const double from = std::floor(before * 25) / 25 - 0.08;
    ASSERT_FALSE(
        testsupport::makeWithFfmpeg(dir.filePath("f%03d.png"),
                                    {"-ss", QString::number(from, 'f', 3), "-i", clip, "-t",
                                     QString::number(after - from + 0.08, 'f', 3), "-vf", "transpose=clock"})
            .isEmpty());
    double best = 255;
    for (int i = 1; QFile::exists(dir.filePath(QString::asprintf("f%03d.png", i))); ++i)
        best = std::min(best, meanAbsDiff(shot, QImage(dir.filePath(QString::asprintf("f%03d.png", i)))));
    EXPECT_LT(best, kSame);
}

TEST(PreviewMatchesExport, TheComparisonSeesAOneSidedSetting) {
    // The same comparison fails plainly when one side lacks one setting.
    QTemporaryDir dir;
    const QString clip = media("h264_aac.mp4");
    Look exported;
    exported.rotate = 90;
    exported.texts = {textMark("Cutbench", 10, 250, 0.5, 3.0)};
    exported.subtitle = writeSrt(dir);
    const QString out = exportWith(clip, exported, dir, "onesided");
    ASSERT_FALSE(out.isEmpty());
    expectSame(clip, exported, out, {1.0});

    // A setting on the preview only: the comparison fails, by far more than the tolerance.
    const auto oneSided = [&](const Look& look) {
        LxMoviePlayer p(clip, QRect(0, 0, 320, 240));
        apply(p, look);
        const QImage written = ffmpegFrameAt(out, 1.0);
        const QImage shown = previewAt(p, 1.0, written);
        EXPECT_FALSE(shown.isNull());
        return meanAbsDiff(shown, written);
    };
    Look flipped = exported;
    flipped.hflip = true;
    EXPECT_GT(oneSided(flipped), 100.0); // the colour bars come in the opposite order
    Look brighter = exported;
    brighter.brightness = 25;
    EXPECT_GT(oneSided(brighter), 2 * kSame);
    Look plain = exported;
    plain.texts.clear();
    plain.subtitle.clear();
    EXPECT_GT(oneSided(plain), kSame + 2);
}
