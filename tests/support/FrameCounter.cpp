#include "FrameCounter.h"

#include "TestSupport.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cmath>

namespace testsupport {

namespace {

// Digits are written as video levels 16 + 28 * digit; decoded to full-range grey they read
// 0, 32.6, 65.2, ...
constexpr int kBands = 3, kBase = 8, kFloor = 16, kStep = 28;
constexpr double kGreyStep = kStep * 255.0 / 219.0;

int digitOf(double grey) {
    const int d = int(std::lround(grey / kGreyStep));
    return std::abs(grey - d * kGreyStep) < kGreyStep / 3.0 && d >= 0 && d < kBase ? d : -1;
}

// The number from the mean grey at the middle of each band.
int numberOf(const std::vector<double>& bandGreys) {
    int n = 0;
    for (double grey : bandGreys) {
        const int d = digitOf(grey);
        if (d < 0)
            return -1;
        n = n * kBase + d;
    }
    return n;
}

} // namespace

QString makeCounterClip(const QString& path, int fps, double seconds, int keyEvery, int bFrames,
                        const QString& x264, int zeroAt) {
    // Band b (left first) shows the digit of N at 8^(2-b), as grey 16 + 28 * digit.
    QString lum = QString("%1+%2*if(lt(X\\,W/3)\\,mod(floor(N/64)\\,8)\\,"
                          "if(lt(X\\,2*W/3)\\,mod(floor(N/8)\\,8)\\,mod(N\\,8)))")
                      .arg(kFloor)
                      .arg(kStep);
    if (zeroAt != 0)
        lum.replace("N", QString("mod(N+%1\\,512)").arg(512 - zeroAt % 512));
    return makeWithFfmpeg(path, {"-f",
                                 "lavfi",
                                 "-i",
                                 QString("color=black:size=64x48:rate=%1:duration=%2,format=yuv420p,"
                                         "geq=lum='%3':cb=128:cr=128")
                                     .arg(fps)
                                     .arg(seconds)
                                     .arg(lum),
                                 "-f",
                                 "lavfi",
                                 "-i",
                                 QString("sine=frequency=440:duration=%1").arg(seconds),
                                 "-c:v",
                                 "libx264",
                                 "-preset",
                                 "ultrafast",
                                 "-qp",
                                 "4",
                                 "-bf",
                                 QString::number(bFrames),
                                 "-g",
                                 QString::number(keyEvery),
                                 "-pix_fmt",
                                 "yuv420p",
                                 "-x264-params",
                                 x264.isEmpty() ? QString("log-level=error") : x264,
                                 "-c:a",
                                 "aac",
                                 "-shortest"});
}

int counterOf(const QImage& picture) {
    if (picture.isNull())
        return -1;
    const QImage img = picture.convertToFormat(QImage::Format_Grayscale8);
    std::vector<double> greys;
    for (int b = 0; b < kBands; ++b) {
        const int x0 = img.width() * (2 * b + 1) / (2 * kBands), y0 = img.height() / 2;
        const int rx = std::max(1, img.width() / (4 * kBands)), ry = std::max(1, img.height() / 4);
        double sum = 0;
        int count = 0;
        for (int y = y0 - ry; y <= y0 + ry; ++y)
            for (int x = x0 - rx; x <= x0 + rx; ++x, ++count)
                sum += img.constScanLine(y)[x];
        greys.push_back(sum / count);
    }
    return numberOf(greys);
}

std::vector<int> decodedCounters(const QString& path) {
    constexpr int w = kGreyWidth, h = kGreyHeight;
    const QByteArray out = greyPictures(path);
    std::vector<int> numbers;
    for (qsizetype at = 0; at + w * h <= out.size(); at += w * h) {
        const QImage frame(reinterpret_cast<const uchar*>(out.constData() + at), w, h, w,
                           QImage::Format_Grayscale8);
        numbers.push_back(counterOf(frame));
    }
    return numbers;
}

QString makeSoftTelecineClip(const QString& path, bool broadcast) {
    const QString mp4 = makeCounterClip(path + ".mp4", 24, 8), m2v = path + ".m2v";
    // The broadcast's numbers are drawn over a moving test card, outside the rows they are read at.
    const QStringList picture = broadcast
                                    ? QStringList{"-f",
                                                  "lavfi",
                                                  "-i",
                                                  "testsrc2=size=720x480:rate=24000/1001",
                                                  "-filter_complex",
                                                  "[0:v]scale=720:320[c];[1:v][c]overlay=0:80:shortest=1",
                                                  "-b:v",
                                                  "800k",
                                                  "-g",
                                                  "15",
                                                  "-threads",
                                                  "1"}
                                    : QStringList{"-s", "352x240", "-q:v", "2", "-g", "12"};
    if (mp4.isEmpty() ||
        makeWithFfmpeg(m2v, QStringList{"-r", "24000/1001", "-i", mp4} + picture +
                                QStringList{"-c:v", "mpeg2video", "-bf", "2", "-an", "-f", "mpeg2video"})
            .isEmpty())
        return {};
    QFile file(m2v);
    QByteArray d = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    // The encoder's ffmpeg has no such option: the flags are set in its headers. A picture's place
    // in its group (temporal reference) gives its showing order, and so its place in the pattern.
    int groupStart = 0, pictures = 0, shown = 0;
    for (qsizetype at = d.indexOf(QByteArray("\0\0\1", 3)); at >= 0 && at + 8 <= d.size();
         at = d.indexOf(QByteArray("\0\0\1", 3), at + 3)) {
        auto* b = reinterpret_cast<uchar*>(d.data() + at + 3);
        if (b[0] == 0xb3) // sequence header: 30000/1001
            b[4] = uchar((b[4] & 0xf0) | 4);
        else if (b[0] == 0xb8)
            groupStart = pictures;
        else if (b[0] == 0)
            shown = groupStart + (b[1] << 2 | b[2] >> 6), ++pictures;
        else if (b[0] == 0xb5 && b[1] >> 4 == 1) // sequence extension: not progressive
            b[2] &= 0xf7;
        else if (b[0] == 0xb5 && b[1] >> 4 == 8) // picture coding extension: top first, repeat first
            b[4] = uchar((b[4] & 0x7d) | (shown % 4 == 0 || shown % 4 == 3 ? 0x80 : 0) | (shown % 2 ? 0 : 2));
    }
    // The muxer times each picture by the fields shown before it, but the last one a field off:
    // each is put back on the start of its picture of the pattern (a field is 1501.5 ticks).
    const QString pts =
        QString("STARTPTS+round(1501.5*(5*floor(%1/2)+3*mod(%1\\,2)))").arg("round((PTS-STARTPTS)/3753.75)");
    return file.open(QIODevice::WriteOnly) && file.write(d) == d.size()
               ? makeWithFfmpeg(path, QStringList{"-fflags", "+genpts", "-i", m2v, "-i", mp4, "-map", "0:v",
                                                  "-map", "1:a", "-c:v", "copy", "-c:a", "mp2", "-bsf:v",
                                                  "setts=pts=" + pts} +
                                          (broadcast ? QStringList{"-b:a", "192k"} : QStringList()))
               : QString();
}

std::vector<QString> makeCounterClipsStartingAtZeroAndLate(const QString& folder) {
    const QString mp4 = makeCounterClip(folder + "/count.mp4", 25, 6, 250, 2);
    if (mp4.isEmpty())
        return {};
    const QString ts =
        makeWithFfmpeg(folder + "/count.ts", {"-i", mp4, "-c", "copy", "-output_ts_offset", "1.46"});
    if (ts.isEmpty())
        return {};
    return {mp4, ts};
}

QString largeTsJumpingAhead(const QString& folder) {
    const QString mp4 = makeCounterClip(folder + "/count.mp4", 25, 30, 25, 0, "threads=1:log-level=error");
    return retimed(makeWithFfmpeg(folder + "/cbr.ts", {"-i", mp4, "-an", "-c", "copy", "-muxrate", "6M"}),
                   folder + "/jump.ts", [](int64_t t, bool) { return t < 810000 ? t : t + 1080000; });
}

bool indexHeldUnheard(const QString& ts, const LxMoviePlayer& player) {
    MediaClose(MediaOpen(ts.toUtf8().constData()));
    QElapsedTimer held;
    held.start();
    while (!player.isIndexHeld() && held.elapsed() < 120000)
        QThread::msleep(10);
    return player.isIndexHeld();
}

} // namespace testsupport
