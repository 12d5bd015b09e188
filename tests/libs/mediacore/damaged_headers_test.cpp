// MPEG streams whose picture headers lie: parameter sets with a field far outside its range
// (every picture then undecodable), and MPEG-2 temporal references that contradict their group's
// size or the stored times (ffmpeg shows every picture in its decoding order's sense). Each is
// opened, snapshot, cut, split, converted, joined with itself and played: written with the
// pictures ffmpeg decodes from the source and no line its decoding of the source lacks, or
// refused with nothing written.
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

#include "../mediaplayer/PlayerTestUtil.h"
#include "EngineJobs.h"
#include "FrameCounter.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString written(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() ? path : QString();
}

// The H.264 or HEVC byte stream `raw` with every parameter set of NAL type `type` (H.264's 7,
// HEVC's 33) replaced by `set`.
QByteArray withSets(const QByteArray& raw, int type, const QByteArray& set) {
    const QByteArray start("\0\0\1", 3);
    QByteArray out;
    for (qsizetype at = raw.indexOf(start), next = 0; at >= 0; at = next) {
        next = raw.indexOf(start, at + 3);
        const QByteArray nal = raw.mid(at + 3, next < 0 ? -1 : next - at - 3);
        const int t = type > 31 ? uchar(nal[0]) >> 1 : nal[0] & 0x1f;
        out += start + (t == type ? set + QByteArray(1, 0) : nal);
    }
    return out;
}

// `src` (MPEG-2 video in a TS or PS) with the temporal reference of its n-th picture set to what
// `ref` gives for n and whether a group header comes just before (none where it gives -1).
QString withRefs(const QString& src, const QString& path, const std::function<int(int, bool)>& ref) {
    QByteArray d = bytes(src);
    const QByteArray picture("\0\0\1\0", 4), group("\0\0\1\xb8", 4);
    int n = 0;
    for (qsizetype at = d.indexOf(picture); at >= 8 && at + 6 <= d.size(); at = d.indexOf(picture, at + 4))
        if (const int r = ref(n++, d.mid(at - 8, 4) == group); r >= 0)
            d[at + 4] = char(r >> 2), d[at + 5] = char((d[at + 5] & 0x3f) | (r & 3) << 6);
    return written(path, d);
}

} // namespace

TEST(DamagedHeaders, StreamsWhoseHeadersLieAreWrittenWithTheirPicturesOrRefused) {
    QTemporaryDir dir;
    const QString mp4 = makeCounterClip(dir.filePath("count.mp4"), 25, 4, 25, 0);
    const auto make = [&](const QString& name, const QStringList& args) {
        return makeWithFfmpeg(dir.filePath(name), QStringList{"-i", mp4, "-threads", "1"} + args);
    };
    // A byte stream with its parameter sets replaced, in a TS with the clip's sound.
    const auto damaged = [&](const QString& name, const QStringList& codec, int type, const QByteArray& set) {
        const QString raw =
            make(name + ".raw", codec + QStringList{"-an", "-f", type > 31 ? "hevc" : "h264"});
        written(raw, withSets(bytes(raw), type, set));
        return makeWithFfmpeg(dir.filePath(name + ".ts"), {"-i", raw, "-i", mp4, "-map", "0:v", "-map", "1:a",
                                                           "-c:v", "copy", "-c:a", "mp2"});
    };
    const QStringList avc{"-c:v", "copy"}, mpeg2{"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-c:a", "mp2"};
    const QString ts = make("mpeg2.ts", mpeg2), vob = make("mpeg2.vob", mpeg2 + QStringList{"-f", "vob"});
    const auto thousand = [](int, bool afterGroup) { return afterGroup ? 1000 : -1; };
    const auto random = [](int n, bool) { return (n * 389 + 7) % 1024; };
    // H.264 with log2_max_frame_num_minus4 2^31 - 1, and log2_max_pic_order_cnt_lsb_minus4 36;
    // HEVC with log2_max_pic_order_cnt_lsb_minus4 2^31 - 1. MPEG-2 whose first picture after each
    // group header has temporal reference 1000, or with random ones, in a TS and a PS.
    for (const QString& src :
         {damaged("frame_num", avc, 7,
                  QByteArray("\x67\x64\x00\x1e\xac\x00\x00\x03\x00\x01\x00\x00\x03\x00\x01\xa1\x1e\x40", 18)),
          damaged("poc_lsb", avc, 7, QByteArray("\x67\x64\x00\x1e\xac\xc1\x2a\x11\xe4", 9)),
          damaged("hevc_poc_lsb",
                  {"-c:v", "libx265", "-x265-params", "bframes=0:pools=1:frame-threads=1:log-level=error"},
                  33,
                  QByteArray(
                      "\x42\x01\x01\x01\x60\x00\x00\x03\x00\x90\x00\x00\x03\x00\x00\x03\x00\x3c\xa0\x0a\x08"
                      "\x0f\x16\x00\x00\x03\x00\x02\x00\x00\x03\x00\x02",
                      33)),
          withRefs(ts, dir.filePath("thousand.ts"), thousand),
          withRefs(ts, dir.filePath("random.ts"), random),
          withRefs(vob, dir.filePath("thousand.vob"), thousand),
          withRefs(vob, dir.filePath("random.vob"), random)}) {
        SCOPED_TRACE(src.toStdString());
        const std::vector<int> all = decodedCounters(src);
        const bool clean = decodeErrors(src).empty();
        const QString ext = "." + QFileInfo(src).suffix();
        const auto expect = [&](int result, const QString& out, const std::vector<int>& wanted) {
            if (clean) {
                ASSERT_EQ(result, 1) << out.toStdString();
            }
            if (result < 1) {
                EXPECT_FALSE(QFile::exists(out)) << out.toStdString();
                return;
            }
            EXPECT_EQ(decodedCounters(out), wanted) << out.toStdString();
            EXPECT_TRUE(!clean || decodeErrors(out).empty()) << out.toStdString() << decodeErrors(out);
        };
        void* media = MediaOpen(utf8(src));
        const int64_t length = media ? MediaGetDuration(media) : 0;
        std::vector<unsigned char> picture(64 * 48 * 4);
        if (media)
            MediaSnapshot(media, INT64_MAX, 64, 48, picture.data(), 0), MediaClose(media);
        std::vector<int> some, twice = all;
        std::copy_if(all.begin(), all.end(), std::back_inserter(some),
                     [](int n) { return n >= 25 && n < 50; });
        twice.insert(twice.end(), all.begin(), all.end());
        expect(convert(src, dir.filePath("whole.mp4")), dir.filePath("whole.mp4"), all);
        expect(convert(src, dir.filePath("cut") + ext, {nullptr, nullptr, 1000000, 2000000}),
               dir.filePath("cut") + ext, some);
        expect(join({src, src}, dir.filePath("joined") + ext) + 1, dir.filePath("joined") + ext, twice);
        // Split: a part of a third of the file's size, then the rest from where it reports its end.
        Job first, rest;
        const bool split =
            convert(first, src, dir.filePath("part1") + ext, 0, length, QFileInfo(src).size() / 3);
        const int64_t made = split ? apiMediaConvertGetOutputDuration(first.h) : 0;
        if (split && made < length && convert(rest, src, dir.filePath("part2") + ext, made, length)) {
            std::vector<int> parts = decodedCounters(dir.filePath("part1") + ext),
                             second = decodedCounters(dir.filePath("part2") + ext);
            parts.insert(parts.end(), second.begin(), second.end());
            EXPECT_EQ(parts, all);
        }
        EXPECT_TRUE(split || !clean);
        LxMoviePlayer player(src, QRect(0, 0, 64, 48));
        if (player.isOpen() && clean) {
            player.seekTime(CMTimeMakeWithSeconds(2.0, 1000));
            EXPECT_EQ(counterOf(playertest::snapshot(player, 64, 48)), 50);
        }
        for (const QString& name :
             {QString("whole.mp4"), "cut" + ext, "joined" + ext, "part1" + ext, "part2" + ext})
            QFile::remove(dir.filePath(name));
    }
}
