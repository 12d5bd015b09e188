// MPEG streams whose picture headers lie (H.264 and HEVC parameter sets with fields far out of
// range; MPEG-2 temporal references of 1000 after each group header, or random), each opened, snapshot at the
// latest time, converted, cut, joined with itself, split and played: with the pictures ffmpeg decodes from
// it.
#include <gtest/gtest.h>

#include "../mediaplayer/PlayerTestUtil.h"
#include "EngineJobs.h"
#include "FrameCounter.h"
#include "OddMedia.h"

using namespace testsupport;

TEST(DamagedHeaders, StreamsWhoseHeadersLieAreWrittenWithTheirPicturesOrRefused) {
    const QString mp4 = makeCounterClip(oddmedia::dir() + "/count.mp4", 25, 4, 25, 0),
                  d = oddmedia::dir() + "/";
    const QByteArray picture("\0\0\1\0", 4), group("\0\0\1\xb8", 4);
    // The inputs kept from fuzzing the index: TS (after two control bytes) whose parameter sets have
    // log2_max_frame_num_minus4 or log2_max_pic_order_cnt_lsb_minus4 far out of range.
    const auto kept = [&](const QString& name) {
        const QString path = CUTBENCH_SOURCE_DIR "/tests/fuzz/regressions/index/" + name;
        return oddmedia::written(name + ".ts", oddmedia::bytes(path).mid(2));
    };
    const auto refs = [&](const QString& ext, int (*ref)(int, bool)) { // temporal references rewritten
        QByteArray s =
            oddmedia::bytes(oddmedia::made("mpeg2." + ext, {"-i", mp4, "-threads", "1", "-c:v", "mpeg2video",
                                                            "-bf", "2", "-g", "12", "-c:a", "mp2"}));
        for (qsizetype at = s.indexOf(picture), n = 0; at >= 8; at = s.indexOf(picture, at + 4))
            if (const int r = ref(int(n++), s.mid(at - 8, 4) == group); r >= 0)
                s[at + 4] = char(r >> 2), s[at + 5] = char((s[at + 5] & 0x3f) | (r & 3) << 6);
        return oddmedia::written(QString("refs%1.").arg(ref(1, true)) + ext, s);
    };
    const auto thousand = [](int, bool afterGroup) { return afterGroup ? 1000 : -1; };
    const auto random = [](int n, bool) { return (n * 389 + 7) % 1024; };
    for (const QString& src :
         {kept("crash-h264-log2-max-frame-num"), kept("crash-h264-poc-lsb-shift"),
          kept("crash-hevc-log2-max-poc-lsb"), kept("timeout-h264-poc-lsb-bit-count"), refs("ts", thousand),
          refs("ts", random), refs("vob", thousand), refs("vob", random)}) {
        SCOPED_TRACE(src.toStdString());
        const std::vector<int> all = decodedCounters(src);
        const bool clean = decodeErrors(src).empty();
        const QString ext = "." + QFileInfo(src).suffix();
        std::vector<int> twice = all;
        twice.insert(twice.end(), all.begin(), all.end());
        // The pictures a job wrote; only a source ffmpeg cannot decode may be refused (nothing written).
        const auto shown = [&](bool done, const QString& out) {
            EXPECT_TRUE(done || (!clean && !QFile::exists(out))) << out.toStdString();
            EXPECT_TRUE(!clean || decodeErrors(out).empty()) << out.toStdString() << decodeErrors(out);
            const std::vector<int> pictures = decodedCounters(out);
            QFile::remove(out);
            return pictures;
        };
        void* media = MediaOpen(utf8(src)); // null when refused: the calls below then do nothing
        const int64_t length = MediaGetDuration(media);
        std::vector<unsigned char> shot(64 * 48 * 4);
        MediaSnapshot(media, INT64_MAX, 64, 48, shot.data(), 0), MediaClose(media);
        EXPECT_EQ(shown(convert(src, d + "whole.mp4") == 1, d + "whole.mp4"), all);
        EXPECT_EQ(
            shown(convert(src, d + "cut" + ext, {nullptr, nullptr, 1000000, 2000000}) == 1, d + "cut" + ext),
            clean ? std::vector<int>(all.begin() + 25, all.begin() + 50) : all);
        EXPECT_EQ(shown(join({src, src}, d + "joined" + ext) == 0, d + "joined" + ext), twice);
        // Split: a part of a third of the file's size, then the rest from where it reports its end.
        Job first, rest;
        std::vector<int> parts =
                             shown(convert(first, src, d + "1" + ext, 0, length, QFileInfo(src).size() / 3),
                                   d + "1" + ext),
                         more = shown(convert(rest, src, d + "2" + ext,
                                              apiMediaConvertGetOutputDuration(first.h), length),
                                      d + "2" + ext);
        parts.insert(parts.end(), more.begin(), more.end());
        EXPECT_EQ(parts, all);
        LxMoviePlayer player(src, QRect(0, 0, 64, 48));
        player.seekTime(CMTimeMakeWithSeconds(2.0, 1000));
        EXPECT_TRUE(!clean || counterOf(playertest::snapshot(player, 64, 48)) == 50);
    }
}
