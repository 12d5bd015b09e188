// MPEG program and transport streams that give a time to some pictures only, as cameras and disc
// recorders write them: every job keeps each picture of its range once, in order, read from the
// frame number each picture shows.
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "FrameCounter.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

// A counter clip (frame n shows n) of 8 s in `codec` options and `container`, on one thread.
QString counterStream(const QString& path, const QString& size, const QString& rate, const QStringList& codec) {
    const QString lum = "16+28*if(lt(X\\,W/3)\\,mod(floor(N/64)\\,8)\\,if(lt(X\\,2*W/3)\\,mod(floor(N/8)\\,8)\\,"
                        "mod(N\\,8)))";
    return makeWithFfmpeg(path, QStringList{"-f", "lavfi", "-i",
                                            QString("color=black:size=%1:rate=%2:duration=8,format=yuv420p,"
                                                    "geq=lum='%3':cb=128:cr=128")
                                                .arg(size, rate, lum),
                                            "-f", "lavfi", "-i", "sine=frequency=440:duration=8", "-threads", "1"} +
                                    codec + QStringList{"-c:a", "mp2", "-shortest"});
}

// The transport stream at `path` with the times of every picture's PES header turned into
// stuffing, as a stream that times no picture carries them.
QString withoutPictureTimes(const QString& ts, const QString& path) {
    QFile in(ts), out(path);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return {};
    QByteArray data = in.readAll();
    for (qsizetype at = 0; at + 188 <= data.size(); at += 188) {
        auto* p = reinterpret_cast<uchar*>(data.data() + at);
        const int payload = 4 + ((p[3] & 0x30) == 0x30 ? 1 + p[4] : 0);
        uchar* pes = p + payload;
        if (!(p[1] & 0x40) || payload + 14 > 188 || pes[0] || pes[1] || pes[2] != 1 || (pes[3] & 0xf0) != 0xe0)
            continue;
        const int fields = (pes[7] >> 6) == 3 ? 10 : (pes[7] >> 6) == 2 ? 5 : 0;
        pes[7] &= 0x3f;
        std::fill_n(pes + 9, fields, uchar(0xff));
    }
    return out.write(data) == data.size() ? path : QString();
}

struct Shape {
    const char* name;
    double fps;
    int pictures;
    bool untimedKeys = false; // keyframes without a time: cut only where a timed one starts the range
};

QString makeShape(const QTemporaryDir& dir, const Shape& s) {
    const QString n = s.name, x264 = "threads=1:b-adapt=0:log-level=error";
    const QStringList h264{"-c:v", "libx264", "-preset", "ultrafast", "-qp", "4", "-bf", "3", "-g", "25",
                           "-x264-params", x264};
    if (n == "untimed.ts") {
        const QString ts = counterStream(dir.filePath("timed.ts"), "192x96", "25", h264 + QStringList{"-f", "mpegts"});
        return ts.isEmpty() ? ts : withoutPictureTimes(ts, dir.filePath(n));
    }
    if (n == "vob_h264.ts") {
        const QString vob = counterStream(dir.filePath("h264.vob"), "192x96", "25", h264 + QStringList{"-f", "vob"});
        return vob.isEmpty() ? vob : makeWithFfmpeg(dir.filePath(n), {"-i", vob, "-c", "copy", "-f", "mpegts"});
    }
    if (n == "mpeg2.vob")
        return counterStream(dir.filePath(n), "192x96", "25",
                             {"-c:v", "mpeg2video", "-q:v", "2", "-bf", "2", "-g", "25", "-f", "vob"});
    return counterStream(dir.filePath(n), "352x240", "30000/1001", {"-c:v", "mpeg1video", "-g", "18", "-f", "mpeg"});
}

// The pictures a range [from, to) seconds holds, by their frame numbers.
std::vector<int> picturesOf(const Shape& s, double from, double to) {
    std::vector<int> n;
    for (int i = 0; i < s.pictures; ++i)
        if (i / s.fps >= from - 0.001 && i / s.fps < to - 0.001)
            n.push_back(i);
    return n;
}

void expectPictures(const QString& out, const std::vector<int>& wanted) {
    SCOPED_TRACE(out.toStdString());
    QByteArray err;
    run(FFMPEG_EXECUTABLE, {"-v", "error", "-nostdin", "-i", out, "-f", "null", "-"}, nullptr, &err);
    EXPECT_EQ(err.left(300).toStdString(), "");
    EXPECT_EQ(decodedCounters(out), wanted);
}

} // namespace

TEST(UntimedStreams, EveryJobKeepsEachPictureOfItsRangeOnceInOrder) {
    const Shape shapes[] = {{"untimed.ts", 25, 200}, {"vob_h264.ts", 25, 200}, {"mpeg2.vob", 25, 200, true},
                            {"mpeg1.mpg", 30000 / 1001.0, 240}};
    for (const Shape& s : shapes) {
        QTemporaryDir dir;
        const QString src = makeShape(dir, s);
        ASSERT_FALSE(src.isEmpty()) << s.name;
        const QString ext = QFileInfo(src).suffix();
        // Keep-format cuts, one of a single picture without a time of its own.
        for (const auto& [from, to] : {std::pair{0.96, 2.56}, std::pair{6.0, 7.6}, std::pair{5.04, 5.08}}) {
            if (s.untimedKeys && from != 6.0)
                continue;
            const QString out = dir.filePath(QString("cut%1.%2").arg(from).arg(ext));
            ASSERT_EQ(convert(src, out, {nullptr, nullptr, std::llround(from * 1e6), std::llround(to * 1e6)}), 1)
                << s.name << " " << from;
            expectPictures(out, picturesOf(s, from, to));
        }
        const std::vector<int> all = picturesOf(s, 0, 9);
        for (const char* to : {"whole.mp4", "whole.mkv"}) {
            ASSERT_EQ(convert(src, dir.filePath(to)), 1) << s.name << " " << to;
            expectPictures(dir.filePath(to), all);
        }
        ASSERT_EQ(join({src, src}, dir.filePath("joined.mp4")), 0) << s.name;
        std::vector<int> twice = all;
        twice.insert(twice.end(), all.begin(), all.end());
        expectPictures(dir.filePath("joined.mp4"), twice);
    }
}
