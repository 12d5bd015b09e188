// Frames decoded, filtered, converted and painted per second by the preview pipeline on a
// 1080p H.264 clip, pinned to two cores. The clip plays at 30 frames per second, so the
// factor over real time is the rate divided by 30; the goal is at least 2.
//
// Usage: player_bench [seconds of clip, default 10]
#include "FrameConverter.h"
#include "PreviewSettings.h"
#include "VideoFilter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <sched.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

void pinToTwoCores() {
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof mask, &mask) != 0)
        return;
    cpu_set_t two;
    CPU_ZERO(&two);
    int taken = 0;
    for (int c = 0; c < CPU_SETSIZE && taken < 2; ++c)
        if (CPU_ISSET(c, &mask)) {
            CPU_SET(c, &two);
            ++taken;
        }
    sched_setaffinity(0, sizeof two, &two);
}

// Draws the text with Qt at the baseline point (left, top) counted from the bottom edge.
void drawText(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM param) {
    QImage img(buffer, width, height, width * 4, QImage::Format_RGBA8888_Premultiplied);
    QPainter p(&img);
    QFont font(QString::fromUtf8(param.szFontName));
    font.setPixelSize(std::max(1, param.fontsize));
    p.setFont(font);
    p.setPen(QColor((param.fontclr >> 8) & 255, (param.fontclr >> 16) & 255, (param.fontclr >> 24) & 255));
    p.drawText(QPointF(param.rect.left, height - param.rect.top), QString::fromUtf8(param.text));
}

void writeSubtitles(const QString& path, int seconds) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    QTextStream out(&f);
    for (int i = 0; i < seconds; ++i)
        out << i + 1 << "\n00:00:" << QString::number(i).rightJustified(2, '0')
            << ",000 --> 00:00:" << QString::number(i).rightJustified(2, '0') << ",900\nLine number " << i + 1
            << " of the subtitles\n\n";
}

struct Result {
    int frames = 0;
    double seconds = 0;
};

// Runs the whole clip through decode -> filter -> convert -> paint into a view-sized image.
Result run(const QString& clip, const std::function<void(PreviewSettings&)>& configure) {
    Result r;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, clip.toUtf8().constData(), nullptr, nullptr) < 0)
        return r;
    avformat_find_stream_info(fmt, nullptr);
    const int vs = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVStream* st = fmt->streams[vs];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, st->codecpar);
    dec->thread_count = 2;
    avcodec_open2(dec, codec, nullptr);

    PreviewSettings settings;
    configure(settings);
    VideoFilter filter;
    std::vector<FilteredFrame> filtered;
    FrameConverter converter;
    QImage view(960, 540, QImage::Format_ARGB32_Premultiplied);

    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    QElapsedTimer t;
    t.start();
    auto drain = [&] {
        while (avcodec_receive_frame(dec, frame) >= 0) {
            const int64_t us =
                av_rescale_q(frame->best_effort_timestamp, st->time_base, AVRational{1, 1000000});
            filtered.clear();
            if (!filter.push(frame, us, settings, r.frames == 0, filtered))
                filtered.push_back({av_frame_clone(frame), us});
            for (FilteredFrame& f : filtered) {
                double aspect = 0;
                const QImage img = converter.toImage(f.frame, &aspect);
                av_frame_free(&f.frame);
                QPainter p(&view);
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                p.drawImage(view.rect(), img);
            }
            ++r.frames;
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == vs) {
            avcodec_send_packet(dec, pkt);
            drain();
        }
        av_packet_unref(pkt);
    }
    avcodec_send_packet(dec, nullptr);
    drain();
    r.seconds = t.elapsed() / 1000.0;
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int length = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString clip = dir.filePath("bench_1080p.mp4");
    out << "making a " << length << " s 1080p30 H.264 clip...\n";
    out.flush();
    if (QProcess::execute(FFMPEG_EXECUTABLE,
                          {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                           QString("testsrc2=size=1920x1080:rate=30:duration=%1").arg(length), "-c:v",
                           "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", clip}) != 0) {
        out << "ffmpeg failed\n";
        return 1;
    }
    const QString subtitles = dir.filePath("bench.srt");
    writeSubtitles(subtitles, length);
    pinToTwoCores();
    const std::vector<std::pair<const char*, std::function<void(PreviewSettings&)>>> cases = {
        {"plain", [](PreviewSettings&) {}},
        {"rotate 90 + flip + BCS",
         [](PreviewSettings& s) {
             s.fx.rotation = 90;
             s.fx.hflip = true;
             s.fx.brightness = 20;
             s.fx.contrast = 10;
             s.fx.saturation = -10;
         }},
        {"text watermark + subtitle",
         [&](PreviewSettings& s) {
             s.drawText = drawText;
             TEXT_WATERMARK_PARAM mark{};
             mediarecords::writeText(mark.text, "Cutbench preview");
             mediarecords::writeText(mark.szFontName, "DejaVu Sans");
             mark.rect = {100, 900, 900, 1000};
             mark.fontsize = 72;
             mark.fontclr = 0xFFFF0000;
             mark.end_time = int64_t(length) * 1000000;
             s.fx.textMarks.push_back(mark);
             mediarecords::writeText(s.fx.subtitle.path, subtitles.toStdString());
             s.fx.subtitle.position = -1;
             s.fx.subtitle.fontSize = 48;
             s.fx.subtitle.fontColor = 0xFFFFFF00;
             s.fx.subtitle.shadowColor = 0xFFFFFF00;
             s.fx.subtitle.shadow = 1;
         }},
    };
    bool allMet = true;
    for (const auto& [name, configure] : cases) {
        const Result r = run(clip, configure);
        const double fps = r.seconds > 0 ? r.frames / r.seconds : 0;
        const double factor = fps / 30.0;
        allMet = allMet && factor >= 2.0;
        out << QString("%1: %2 frames in %3 s = %4 fps = %5x real time %6\n")
                   .arg(name, -28)
                   .arg(r.frames)
                   .arg(r.seconds, 0, 'f', 2)
                   .arg(fps, 0, 'f', 1)
                   .arg(factor, 0, 'f', 2)
                   .arg(factor >= 2.0 ? "(goal met)" : "(below the 2x goal)");
        out.flush();
    }
    return allMet ? 0 : 2;
}
