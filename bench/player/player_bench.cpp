// The preview's picture path against the ffmpeg command line doing the same filtering, each side
// run as a user runs it: every run is a fresh process (its start, the loading of its libraries,
// the opening of the file and of the decoder count), five rounds interleaved, medians compared,
// both sides pinned to the same two cores.
//
// The clip: 1080p30 H.264 with heavy film grain (high bit rate, the costly case to decode).
// Ours: the player's own stages on its video thread as it plays: decode (threads as the player
// sets them), the shared filter graph (text watermark, subtitle) making the picture at the
// 960 x 540 view's size, its conversion for the view and the paint. ffmpeg: decode, overlay the same text
// box, the same subtitle with the same style, scale to 960 x 540 in BGRA, discard.
//
// Prints the factor over real time of each side (the goal for the marked clip: at least 4), the
// time ratio ours / ffmpeg, and ffmpeg decoding the clip alone (what no preview can beat).
//   player_bench [SECONDS]          the comparison on a clip of SECONDS (default 10)
//   player_bench --rows [SECONDS]   the same, then one line per result for bench_engine:
//                                   "row|job|against|value|target|least" ("most" when the
//                                   target is an upper bound; target 0: none)
//   player_bench --play DIR CASE SECONDS   one run of our stages (what the comparison times)
#include "DecoderThreads.h"
#include "FrameConverter.h"
#include "OverlayPictures.h"
#include "PreviewSettings.h"
#include "SubtitleStyle.h"
#include "VideoFilter.h"

#include <QCoreApplication>
#include <QDir>
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
#include <cstdio>
#include <functional>
#include <sched.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr double kClipRate = 30;
constexpr double kGoal = 4.0;
constexpr int kRounds = 5;
const char* const kClipName = "grainy_1080p.mp4";
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
        dec->thread_count = player::pictureDecoderThreads(); // as the player does
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
    FrameConverter converter(FrameConverter::Layout::View); // as the player converts for its view
    QImage view(kView, QImage::Format_ARGB32_Premultiplied);
    const ff::PacketPtr pkt = ff::makePacket();
    const ff::FramePtr frame = ff::makeFrame();
    QElapsedTimer t;
    t.start();
    auto drain = [&] {
        while (avcodec_receive_frame(d.dec, frame.get()) >= 0) {
            const int64_t us = av_rescale_q(frame->best_effort_timestamp, d.st->time_base, ff::kMicro);
            filtered.clear();
            // Playing, the player wants the pictures at the view's size.
            if (!filter.push(frame.get(), us, settings, r.frames == 0, filtered, kView))
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

// Runs `program` with `args` in a fresh process: its wall time, 0 when it failed.
double timedProcess(const QString& program, const QStringList& args) {
    QElapsedTimer t;
    t.start();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, args);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return 0;
    return double(t.elapsed()) / 1000.0;
}

// The same work by the ffmpeg command line; `filters` is a -filter_complex on [0:v] (and [1:v],
// the text box picture, when `overlay` is given).
QStringList ffmpegArgs(const QString& clip, const QString& overlay, const QString& filters) {
    QStringList args{"-v", "error", "-nostdin", "-i", clip};
    if (!overlay.isEmpty())
        args << "-i" << overlay;
    args << "-filter_complex" << filters << "-an"
         << "-f"
         << "null"
         << "-";
    return args;
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

Case plainCase() {
    Case c;
    c.name = "plain";
    c.ffmpegFilters =
        QString("[0:v]scale=%1:%2:flags=bilinear,format=bgra").arg(kView.width()).arg(kView.height());
    return c;
}

// A text watermark and a subtitle (bench.srt in `dir`) for a clip of `length` seconds; with
// `forFfmpeg`, also the same for ffmpeg: the subtitle file, the text box as a picture in `dir`
// and the subtitle filter with the options the graph gives it.
Case markedCase(const QString& dir, int length, bool forFfmpeg) {
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
    const QString subtitles = QDir(dir).filePath("bench.srt");
    mediarecords::writeText(s.fx.subtitle.path, subtitles.toStdString());
    s.fx.subtitle.position = -1;
    s.fx.subtitle.fontSize = 48;
    s.fx.subtitle.fontColor = 0xFFFFFF00;
    s.fx.subtitle.shadowColor = 0xFFFFFF00;
    s.fx.subtitle.shadow = 1;
    if (!forFfmpeg)
        return c;

    writeSubtitles(subtitles, length);
    int left = 0, top = 0;
    const ff::FramePtr box = mediafx::drawTextPicture(mark, 1920, 1080, drawText, &left, &top);
    if (box) {
        c.overlayPicture = QDir(dir).filePath("text.png");
        QImage(box->data[0], box->width, box->height, box->linesize[0], QImage::Format_RGBA8888_Premultiplied)
            .convertToFormat(QImage::Format_RGBA8888)
            .save(c.overlayPicture);
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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// One run of our stages over the clip in `dir`, as a process of its own: fails unless every frame
// came through.
int play(const QString& dir, const QString& caseName, int length) {
    const Case c = caseName == "plain" ? plainCase() : markedCase(dir, length, false);
    const Result r = runOurs(QDir(dir).filePath(kClipName), c.settings);
    return r.frames >= int(length * kClipRate) ? 0 : 1;
}

struct Measured {
    double ours = 0, theirs = 0; // medians, seconds
    double decodeAlone = 0;      // ffmpeg decoding the clip without filters (when asked)
};

// Each side `kRounds` times in fresh processes, interleaved, so that the machine's moods fall
// on both alike.
// With `decodeAlone`, ffmpeg decoding the clip with no filters too: the ceiling of any preview.
Measured compare(const QString& dir, const Case& c, const QString& caseName, int length, bool decodeAlone) {
    std::vector<double> ours, theirs, alone;
    const QString clip = QDir(dir).filePath(kClipName);
    for (int round = 0; round < kRounds; ++round) {
        ours.push_back(timedProcess(QCoreApplication::applicationFilePath(),
                                    {"--play", dir, caseName, QString::number(length)}));
        theirs.push_back(
            timedProcess(FFMPEG_EXECUTABLE, ffmpegArgs(clip, c.overlayPicture, c.ffmpegFilters)));
        if (decodeAlone)
            alone.push_back(timedProcess(FFMPEG_EXECUTABLE,
                                         {"-v", "error", "-nostdin", "-i", clip, "-an", "-f", "null", "-"}));
    }
    const bool failed = std::count(ours.begin(), ours.end(), 0.0) +
                        std::count(theirs.begin(), theirs.end(), 0.0) +
                        std::count(alone.begin(), alone.end(), 0.0);
    return failed ? Measured{} : Measured{median(ours), median(theirs), median(alone)};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == "--play") {
        // As the program does, nothing on stderr: the comparison prints its own lines.
        av_log_set_level(AV_LOG_ERROR);
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(text));
        });
        return play(args[2], args[3], std::max(1, args[4].toInt()));
    }
    const bool rows = args.size() > 1 && args[1] == "--rows";
    const int length = args.size() > (rows ? 2 : 1) ? std::max(1, args.last().toInt()) : 10;
    QTextStream out(stdout);
    QTemporaryDir dir;
    out << "making a " << length << " s grainy 1080p30 H.264 clip...\n";
    out.flush();
    if (!makeClip(dir.filePath(kClipName), length)) {
        out << "ffmpeg failed\n";
        return 1;
    }
    pinToTwoCores(); // every process started from here inherits the two cores
    out << "two cores; decoder threads " << player::pictureDecoderThreads() << "; view " << kView.width()
        << "x" << kView.height() << "; medians of " << kRounds << " interleaved runs, each a fresh process\n";
    bool met = true;
    QStringList rowLines;
    for (const QString& name : {QString("plain"), QString("marked")}) {
        const Case c = name == "plain" ? plainCase() : markedCase(dir.path(), length, true);
        const Measured m = compare(dir.path(), c, name, length, name == "marked");
        const double factor = m.ours > 0 ? length / m.ours : 0, theirs = m.theirs > 0 ? length / m.theirs : 0;
        // The goal is the marked clip's: the plain one shows what the marks cost.
        const double goal = name == "marked" ? kGoal : 0;
        met = met && factor >= goal && m.ours > 0;
        out << QString(
                   "%1: ours %2 s = %3x real time %4; ffmpeg %5 s = %6x real time; ratio ours / ffmpeg %7\n")
                   .arg(c.name, -26)
                   .arg(m.ours, 0, 'f', 2)
                   .arg(factor, 0, 'f', 2)
                   .arg(goal == 0        ? ""
                        : factor >= goal ? "(goal met)"
                                         : "(below the goal)")
                   .arg(m.theirs, 0, 'f', 2)
                   .arg(theirs, 0, 'f', 2)
                   .arg(m.theirs > 0 ? m.ours / m.theirs : 0, 0, 'f', 2);
        out.flush();
        const QString job = "preview of " + QString::number(length) + " s grainy 1080p, " + c.name;
        rowLines << QString("row|%1|times real time|%2|%3|least").arg(job).arg(factor).arg(goal);
        rowLines << QString("row|%1|ffmpeg, same filters|%2|0|most")
                        .arg(job)
                        .arg(m.theirs > 0 ? m.ours / m.theirs : 0);
        if (m.decodeAlone > 0) {
            out << QString("%1: ffmpeg %2 s = %3x real time\n")
                       .arg("decoding alone, no filter", -26)
                       .arg(m.decodeAlone, 0, 'f', 2)
                       .arg(length / m.decodeAlone, 0, 'f', 2);
            rowLines << QString("row|decoding of %1 s grainy 1080p alone|ffmpeg, times real time|%2|0|least")
                            .arg(length)
                            .arg(length / m.decodeAlone);
        }
    }
    if (rows)
        out << rowLines.join("\n") << "\n";
    return met ? 0 : 2;
}
