// Whether the reading of an index behind the player makes it fall behind: a 1080p transport
// stream large enough to be shown by its stored times plays through in the real player, with
// the sound server as its clock, once opened with its index read behind it and once with the
// index held before the player opens it, each in a fresh process. Its pictures carry their own
// number (four grey bands across their top); at each paint of the view the number in view is
// read, and the run prints how far the picture in view fell behind the play clock (the most),
// the longest wait between two new pictures in view, and the pictures never shown. Targets: at
// most 0.15 s behind, no wait over two picture durations, none left out.
// Not a test: run it by hand under a sound server, pinned to the CPUs to measure on:
//   taskset -c 2,3 scripts/with-sound build/bin/bench/player_behind [--runs N]
// Its source is made once and kept in build/bench-cache/.
//   player_behind --play behind|held   one run (what the bench starts)
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr double kRate = 25, kSeconds = 40;
constexpr double kMostBehind = 0.15, kLongestGap = 2 / kRate;
constexpr int kBands = 4, kFloor = 16, kStep = 28; // picture n: its base-8 digits as greys 16 + 28 * d
const QSize kView(960, 540);

QString sourcePath() {
    return QStringLiteral(BENCH_CACHE_DIR "/behind_1080p.ts");
}

// 40 s of a moving 1080p test card at 10 Mbit/s, 2 s groups, AAC sound, as a transport stream
// (50 MB: shown by its stored times until its index is read); the numbers drawn over its top.
bool makeSource() {
    const QString path = sourcePath();
    if (QFile::exists(path))
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString lum = QString("%1+%2*mod(floor(N/pow(8\\,%3-floor(X*%4/W)))\\,8)")
                            .arg(kFloor)
                            .arg(kStep)
                            .arg(kBands - 1)
                            .arg(kBands);
    const QString graph = QString("color=black:size=64x16:rate=%1,format=yuv420p,geq=lum='%2':cb=128:cr=128,"
                                  "scale=1920:128:flags=neighbor[n];[0:v][n]overlay=0:0:shortest=1")
                              .arg(kRate)
                              .arg(lum);
    const QString partial = path + ".part";
    const int exit =
        QProcess::execute(FFMPEG_EXECUTABLE, {"-v",
                                              "error",
                                              "-y",
                                              "-f",
                                              "lavfi",
                                              "-i",
                                              QString("testsrc2=size=1920x1080:rate=%1").arg(kRate),
                                              "-f",
                                              "lavfi",
                                              "-i",
                                              "sine=f=440:r=48000",
                                              "-filter_complex",
                                              graph,
                                              "-t",
                                              QString::number(kSeconds),
                                              "-c:v",
                                              "libx264",
                                              "-preset",
                                              "veryfast",
                                              "-g",
                                              "50",
                                              "-b:v",
                                              "10M",
                                              "-maxrate",
                                              "10M",
                                              "-bufsize",
                                              "10M",
                                              "-c:a",
                                              "aac",
                                              "-b:a",
                                              "128k",
                                              "-f",
                                              "mpegts",
                                              partial});
    return exit == 0 && QFile::rename(partial, path);
}

// The number a picture shows, -1 when its bands read as none.
int numberOf(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const int y = std::max(1, grey.height() * 64 / 1080);
    int n = 0;
    for (int b = 0; b < kBands; ++b) {
        const int x = grey.width() * (2 * b + 1) / (2 * kBands);
        const double g = (grey.pixel(x - 1, y) & 0xff) / 3.0 + (grey.pixel(x, y) & 0xff) / 3.0 +
                         (grey.pixel(x + 1, y) & 0xff) / 3.0;
        // The view's picture is RGB: its greys span the full range where the luma spanned 16-235.
        const double digit = (g * 219.0 / 255.0 + 16 - kFloor) / kStep;
        if (digit < -0.5 || digit > 7.5)
            return -1;
        n = n * 8 + int(std::lround(digit));
    }
    return n;
}

struct Watch : QObject {
    LxMoviePlayer* player = nullptr;
    QElapsedTimer wall;
    int last = -1;
    qint64 lastAtMs = 0;
    double behind = 0, gap = 0, start = 0;
    int missing = 0, shown = 0, gapAt = -1;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || player->playerStatus() != 1)
            return QObject::eventFilter(watched, event);
        int w = 64, h = 36;
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        if (player->Snapshot(&w, &h, image.bits()) != 1)
            return false;
        const int n = numberOf(image);
        if (n < 0 || n == last)
            return false;
        const qint64 at = wall.elapsed();
        const double clock = CMTimeGetSeconds(player->currentTime());
        behind = std::max(behind, clock - n / kRate);
        // The first picture after the one on show waits on the sound output's start, not on the
        // reading of pictures: that wait is printed apart.
        if (last >= 1) {
            const double wait = double(at - lastAtMs) / 1000.0;
            if (wait > gap) {
                gap = wait;
                gapAt = n;
            }
            missing += std::max(0, n - last - 1);
        } else if (n >= 1) {
            start = double(at) / 1000.0;
            missing += n - 1;
        }
        last = n;
        lastAtMs = at;
        ++shown;
        return false;
    }
};

// One run: plays the whole file once and prints "behind gap missing shown gap-ended-at start".
int play(int argc, char** argv, bool held) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = sourcePath();
    if (held) // the engine's opening reads the index, which this process then holds
        MediaClose(MediaOpen(path.toUtf8().constData()));
    QWidget window;
    window.resize(kView);
    auto player = std::make_unique<LxMoviePlayer>(path, QRect(QPoint(0, 0), kView));
    if (!player->isOpen())
        return 1;
    player->view()->setParent(&window);
    player->view()->setGeometry(QRect(QPoint(0, 0), kView));
    window.show();
    Watch watch;
    watch.player = player.get();
    player->view()->installEventFilter(&watch);
    player->setPlayerDidEndBlock(
        [&app] { QMetaObject::invokeMethod(&app, &QApplication::quit, Qt::QueuedConnection); });
    player->SnapshotWhenReady(64, 36, [&](const QImage&) {
        watch.wall.start();
        player->play();
    });
    QTimer::singleShot(int(kSeconds * 1000) + 60000, &app, &QApplication::quit);
    QApplication::exec();
    player.reset();
    std::printf("%.3f %.3f %d %d %d %.3f\n", watch.behind, watch.gap, watch.missing, watch.shown, watch.gapAt,
                watch.start);
    return watch.shown > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "--play")
        return play(argc, argv, QByteArray(argv[2]) == "held");
    QCoreApplication app(argc, argv);
    int runs = 2;
    if (argc == 3 && QByteArray(argv[1]) == "--runs")
        runs = std::max(1, std::atoi(argv[2]));
    if (!makeSource()) {
        std::fprintf(stderr, "ffmpeg could not make the source\n");
        return 1;
    }
    // Nothing is kept between runs: the cache folder cannot be made.
    QTemporaryDir none;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CACHE_HOME", none.path() + "/none/cache");
    std::printf("Playing %.0f s of 1080p at %.0f fps, the worst of %d runs:\n", kSeconds, kRate, runs);
    bool ok = true;
    for (const char* mode : {"behind", "held"}) {
        double behind = 0, gap = 0;
        int missing = 0, shown = kSeconds * kRate, gapAt = -1;
        double start = 0;
        for (int r = 0; r < runs; ++r) {
            QProcess run;
            run.setProcessEnvironment(env);
            run.start(QCoreApplication::applicationFilePath(), {"--play", mode});
            run.waitForFinished(int(kSeconds * 1000) + 120000);
            double b = 0, g = 0, st = 0;
            int m = 0, s = 0, at = -1;
            if (run.exitCode() != 0 || std::sscanf(run.readAllStandardOutput().constData(),
                                                   "%lf %lf %d %d %d %lf", &b, &g, &m, &s, &at, &st) != 6) {
                ok = false;
                continue;
            }
            behind = std::max(behind, b);
            if (g > gap)
                gapAt = at;
            gap = std::max(gap, g);
            start = std::max(start, st);
            missing = std::max(missing, m);
            shown = std::min(shown, s);
        }
        const bool met = behind <= kMostBehind && gap <= kLongestGap && missing == 0;
        std::printf("  index %-6s behind the clock %.3f s (at most %.2f), longest wait %.3f s (at most %.2f, "
                    "before picture %d), %d pictures left out, %d shown  (%s); first picture after play() at "
                    "%.3f s\n",
                    mode, behind, kMostBehind, gap, kLongestGap, gapAt, missing, shown,
                    met ? "met" : "NOT met", start);
    }
    return ok ? 0 : 1;
}
