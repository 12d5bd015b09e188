// The preview's picture path against the ffmpeg command line doing the same filtering, side by
// side in one run, both pinned to the same two cores.
//
// The clip: 1080p30 H.264 with heavy film grain (high bit rate, the costly case to decode).
// Ours: the player's own stages on its video thread: decode (threads as the player sets them),
// the shared filter graph (text watermark, subtitle), one conversion straight to a 960 x 540
// view and the paint. ffmpeg: decode, overlay the same text box, the same subtitle with the
// same style, scale to 960 x 540 in BGRA, discard.
//
// Each side runs three times, alternating, and its best time counts (the machine may be busy
// with other work). Prints frames per second, the factor over real time (the goal: at least
// 4) and the time ratio ours / ffmpeg. Usage: player_bench [seconds of clip, default 10]
#include "FrameConverter.h"
#include "OverlayPictures.h"
#include "PreviewSettings.h"
#include "SubtitleStyle.h"
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
#include <QThread>
#include <algorithm>
#include <functional>
#include <sched.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr double kClipRate = 30;
constexpr double kGoal = 4.0;
constexpr int kRounds = 3;
const QSize kView(960, 540);

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

// Draws the text with Qt at the baseline point (left, top) counted from the bottom edge, as the
// program's own callback does.
void drawText(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM param) {
    QImage img(buffer, width, height, qsizetype(width) * 4, QImage::Format_RGBA8888_Premultiplied);
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

struct Decoder {
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    const AVStream* st = nullptr;
    int stream = -1;
    ~Decoder() {
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
    }
    bool open(const QString& clip) {
        if (avformat_open_input(&fmt, clip.toUtf8().constData(), nullptr, nullptr) < 0 ||
            avformat_find_stream_info(fmt, nullptr) < 0)
            return false;
        stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0)
            return false;
        st = fmt->streams[stream];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec, st->codecpar);
        dec->pkt_timebase = st->time_base;
        dec->thread_count = std::clamp(QThread::idealThreadCount(), 1, 4); // as the player does
        return avcodec_open2(dec, codec, nullptr) >= 0;
    }
};

// Runs the whole clip through decode -> filter -> convert to the view's size -> paint.
Result runOurs(const QString& clip, const PreviewSettings& settings) {
    Result r;
    Decoder d;
    if (!d.open(clip))
        return r;
    VideoFilter filter;
    std::vector<FilteredFrame> filtered;
    FrameConverter converter;
    QImage view(kView, QImage::Format_ARGB32_Premultiplied);
    const ff::PacketPtr pkt = ff::makePacket();
    const ff::FramePtr frame = ff::makeFrame();
    QElapsedTimer t;
    t.start();
    auto drain = [&] {
        while (avcodec_receive_frame(d.dec, frame.get()) >= 0) {
            const int64_t us = av_rescale_q(frame->best_effort_timestamp, d.st->time_base, ff::kMicro);
            filtered.clear();
            if (!filter.push(frame.get(), us, settings, r.frames == 0, filtered))
                filtered.push_back({ff::cloneFrame(frame.get()), us});
            for (FilteredFrame& f : filtered) {
                const QSize size =
                    FrameConverter::fitted(FrameConverter::displayAspect(f.frame.get()), kView);
                const QImage img = converter.toImage(f.frame.get(), size);
                f.frame.reset();
                QPainter p(&view);
                p.drawImage(QPoint((kView.width() - img.width()) / 2, (kView.height() - img.height()) / 2),
                            img);
            }
            ++r.frames;
        }
    };
    while (av_read_frame(d.fmt, pkt.get()) >= 0) {
        if (pkt->stream_index == d.stream) {
            avcodec_send_packet(d.dec, pkt.get());
            drain();
        }
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(d.dec, nullptr);
    drain();
    r.seconds = t.elapsed() / 1000.0;
    return r;
}

// The same work by the ffmpeg command line; `filters` is a -filter_complex on [0:v] (and [1:v],
// the text box picture, when `overlay` is given).
Result runFfmpeg(const QString& clip, const QString& overlay, const QString& filters) {
    QStringList args{"-v", "error", "-nostdin", "-i", clip};
    if (!overlay.isEmpty())
        args << "-i" << overlay;
    args << "-filter_complex" << filters << "-an"
         << "-f"
         << "null"
         << "-";
    QElapsedTimer t;
    t.start();
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedChannels);
    ffmpeg.start(FFMPEG_EXECUTABLE, args);
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0)
        return {};
    return {0, t.elapsed() / 1000.0};
}

QString escapeForFilter(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace("\\", "\\\\\\\\").replace(":", "\\\\:").replace("'", "\\\\\\'").replace(",", "\\,");
    return s;
}

struct Case {
    QString name;
    PreviewSettings settings;
    QString overlayPicture; // for ffmpeg
    QString ffmpegFilters;
};

// A text watermark and a subtitle, and the same for ffmpeg: the text box as a picture, the
// subtitle filter with the options the graph gives it.
Case watermarkAndSubtitle(const QTemporaryDir& dir, int length) {
    Case c;
    c.name = "text watermark + subtitle";
    PreviewSettings& s = c.settings;
    s.drawText = drawText;
    TEXT_WATERMARK_PARAM mark{};
    mediarecords::writeText(mark.text, "Cutbench preview");
    mediarecords::writeText(mark.szFontName, "DejaVu Sans");
    mark.rect = {100, 900, 900, 1000};
    mark.fontsize = 72;
    mark.fontclr = 0xFFFF0000;
    mark.end_time = int64_t(length) * 1000000;
    s.fx.textMarks.push_back(mark);
    const QString subtitles = dir.filePath("bench.srt");
    writeSubtitles(subtitles, length);
    mediarecords::writeText(s.fx.subtitle.path, subtitles.toStdString());
    s.fx.subtitle.position = -1;
    s.fx.subtitle.fontSize = 48;
    s.fx.subtitle.fontColor = 0xFFFFFF00;
    s.fx.subtitle.shadowColor = 0xFFFFFF00;
    s.fx.subtitle.shadow = 1;

    int left = 0, top = 0;
    const ff::FramePtr box = mediafx::drawTextPicture(mark, 1920, 1080, drawText, &left, &top);
    if (box) {
        QImage(box->data[0], box->width, box->height, box->linesize[0], QImage::Format_RGBA8888_Premultiplied)
            .convertToFormat(QImage::Format_RGBA8888)
            .save(dir.filePath("text.png"));
        c.overlayPicture = dir.filePath("text.png");
    }
    const mediafx::SubtitleOptions o = mediafx::subtitleOptions(s.fx.subtitle, 1920, 1080);
    QString subtitleFilter = "subtitles=filename=" + escapeForFilter(o.filename);
    if (!o.forceStyle.empty())
        subtitleFilter += ":force_style=" + escapeForFilter(o.forceStyle);
    c.ffmpegFilters = QString("[0:v][1:v]overlay=%1:%2:format=yuv420:alpha=premultiplied,%3,"
                              "scale=%4:%5:flags=bilinear,format=bgra")
                          .arg(left)
                          .arg(top)
                          .arg(subtitleFilter)
                          .arg(kView.width())
                          .arg(kView.height());
    return c;
}

bool makeClip(const QString& clip, int length) {
    // Temporal grain at about 9 Mbit/s, like a camera file: each frame brings new noise.
    return QProcess::execute(FFMPEG_EXECUTABLE,
                             {"-v",       "error",
                              "-nostdin", "-y",
                              "-f",       "lavfi",
                              "-i",       QString("testsrc2=size=1920x1080:rate=30:duration=%1").arg(length),
                              "-vf",      "noise=alls=10:allf=t+u",
                              "-c:v",     "libx264",
                              "-preset",  "veryfast",
                              "-crf",     "22",
                              "-g",       "60",
                              "-pix_fmt", "yuv420p",
                              clip}) == 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int length = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString clip = dir.filePath("grainy_1080p.mp4");
    out << "making a " << length << " s grainy 1080p30 H.264 clip...\n";
    out.flush();
    if (!makeClip(clip, length)) {
        out << "ffmpeg failed\n";
        return 1;
    }
    pinToTwoCores(); // ffmpeg, started from here, inherits the two cores
    out << "two cores; decoder threads " << std::clamp(QThread::idealThreadCount(), 1, 4) << "; view "
        << kView.width() << "x" << kView.height() << "\n";

    Case plain;
    plain.name = "plain";
    plain.ffmpegFilters =
        QString("[0:v]scale=%1:%2:flags=bilinear,format=bgra").arg(kView.width()).arg(kView.height());
    const Case marked = watermarkAndSubtitle(dir, length);
    bool met = true;
    for (const Case* c : std::initializer_list<const Case*>{&plain, &marked}) {
        Result ours, theirs;
        for (int round = 0; round < kRounds; ++round) {
            const Result a = runOurs(clip, c->settings);
            const Result b = runFfmpeg(clip, c->overlayPicture, c->ffmpegFilters);
            if (round == 0 || a.seconds < ours.seconds)
                ours = a;
            if (round == 0 || b.seconds < theirs.seconds)
                theirs = b;
        }
        const double fps = ours.seconds > 0 ? ours.frames / ours.seconds : 0;
        const double factor = fps / kClipRate;
        met = met && factor >= kGoal;
        out << QString("%1: ours %2 frames in %3 s = %4 fps = %5x real time %6; ffmpeg %7 s = %8x real time; "
                       "ratio ours / ffmpeg %9\n")
                   .arg(c->name, -26)
                   .arg(ours.frames)
                   .arg(ours.seconds, 0, 'f', 2)
                   .arg(fps, 0, 'f', 1)
                   .arg(factor, 0, 'f', 2)
                   .arg(factor >= kGoal ? "(goal met)" : "(below the goal)")
                   .arg(theirs.seconds, 0, 'f', 2)
                   .arg(theirs.seconds > 0 ? ours.frames / kClipRate / theirs.seconds : 0, 0, 'f', 2)
                   .arg(theirs.seconds > 0 ? ours.seconds / theirs.seconds : 0, 0, 'f', 2);
        out.flush();
    }
    return met ? 0 : 2;
}
