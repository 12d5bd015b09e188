// Files that store their sound ahead of their picture (phones, by up to a second or more; still
// photo clips, all of their PCM sound first), through every job that reads a range of them: the
// sound of each output covers its picture as in the source, to within a sound frame at each end.
// Judged by the frames ffprobe decodes and the samples ffmpeg decodes.
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

constexpr double kSoundFrame = 1024 / 44100.0; // AAC, and the PCM chunks these files hold
constexpr double kPicture = 1 / 30.0;
constexpr double kLength = 9.3;

struct Interleave {
    const char* name;
    const char* codec;
    const char* container;
    int preloadUs; // how far ahead of the picture the sound is stored
};

std::ostream& operator<<(std::ostream& os, const Interleave& i) {
    return os << i.name << "." << i.container;
}

// The clip of a case, made once per test program.
QString clip(const Interleave& c) {
    static QTemporaryDir dir;
    static std::map<QString, QString> made;
    const QString name = QString("%1.%2").arg(c.name, c.container);
    if (made.count(name) == 0)
        made[name] = makeWithFfmpeg(
            dir.filePath(name), QString("-f lavfi -i testsrc2=size=568x320:rate=30 -f lavfi -i "
                                        "sine=f=1000:sample_rate=44100 -t %1 -c:v libx264 -preset veryfast "
                                        "-g 30 -pix_fmt yuv420p -c:a %2 -ac 1 -audio_preload %3 "
                                        "-max_interleave_delta 0")
                                    .arg(kLength)
                                    .arg(c.codec)
                                    .arg(c.preloadUs)
                                    .split(' '));
    return made[name];
}

// Where a stream of a file starts and ends (seconds), as ffprobe gives it: by the stream's
// length where the container stores one (an edit list may hide the last packet's), else by its
// frames.
std::pair<double, double> span(const QString& path, const char* kind) {
    const QJsonObject s = probeStream(path, kind);
    const double start = s.value("start_time").toString().toDouble();
    bool known = false;
    const double length = s.value("duration").toString().toDouble(&known);
    if (known)
        return {start, start + length};
    const DecodedFrames f = decodedFrames(path, kind[0] == 'v' ? "v" : "a");
    return {f.times.empty() ? 0 : f.times.front(), f.end};
}

// The sound of `out` covers its picture, which shows `seconds` of the source: it starts with
// the picture and lasts as long, to within a sound frame at each end. Each of `seams` copied
// joins inside it may move the end by up to a sound frame from either side: packets are not cut.
void expectSoundWithPicture(const QString& out, double seconds, int seams = 0) {
    SCOPED_TRACE(QFileInfo(out).fileName().toStdString());
    ASSERT_EQ(probeStreamCount(out, "audio"), 1) << "no sound";
    const auto [pictureStart, pictureEnd] = span(out, "video");
    const auto [soundStart, soundEnd] = span(out, "audio");
    const double slack = kSoundFrame + 0.003; // times rounded to the containers' clocks
    EXPECT_NEAR(pictureEnd - pictureStart, seconds, kPicture + 0.003);
    EXPECT_NEAR(soundStart, 0.0, slack); // the range starts at 0 on the output's timeline
    EXPECT_NEAR(soundEnd, seconds, slack * (1 + 2 * seams));
    EXPECT_NEAR(decodedSoundSeconds(out, 0), seconds, slack * (2 + 2 * seams));
}

bool cutTo(const QString& src, const QString& out, double from, double to, const char* vcodec = nullptr,
           qint64 cap = 0, double* made = nullptr) {
    Job job;
    const bool ok = apiMediaConvertSetInputMedia(job.h, utf8(src)) >= 1 &&
                    (!vcodec || apiMediaConvertSetVcodec(job.h, vcodec) >= 1) &&
                    (cap == 0 || apiMediaConvertSetLimitFileSize(job.h, cap) >= 1) &&
                    apiMediaConvertSetCutTime(job.h, int64_t(from * 1e6), int64_t(to * 1e6)) >= 1 &&
                    finish(job, out);
    if (made)
        *made = double(apiMediaConvertGetOutputDuration(job.h)) / 1e6;
    return ok;
}

// Joins [from, to) ranges of clips (to 0: the clip's end), copying when `copy` is set.
bool joinRanges(const std::vector<std::pair<QString, std::pair<double, double>>>& ranges, const QString& out,
                bool copy) {
    Join job;
    if (apiMediaJoinSetOutputPath(job.h, utf8(out)) < 1)
        return false;
    for (const auto& [path, range] : ranges)
        if (apiMediaJoinAddMediaClip(job.h, utf8(path), uint64_t(range.first * 1e6),
                                     uint64_t(range.second * 1e6)) == 0)
            return false;
    apiMediaJoinSetVideoCodec(job.h, copy ? "copy" : "libx264");
    apiMediaJoinSetAudioCodec(job.h, copy ? "copy" : "aac");
    return apiMediaJoinStart(job.h) == 0;
}

class SoundAhead : public ::testing::TestWithParam<Interleave> {
protected:
    void SetUp() override {
        src_ = clip(GetParam());
        ASSERT_FALSE(src_.isEmpty());
    }
    QString out(const QString& name) const { return dir_.filePath(name + "." + GetParam().container); }

    QTemporaryDir dir_;
    QString src_;
};

TEST_P(SoundAhead, CutsKeepTheSoundOfTheirRange) {
    // Keeping the format (copied groups between re-encoded edges), re-encoded, and a range
    // shorter than the sound's lead.
    ASSERT_TRUE(cutTo(src_, out("fast"), 1.867, 5.567));
    expectSoundWithPicture(out("fast"), 3.70);
    ASSERT_TRUE(cutTo(src_, out("encoded"), 1.867, 5.567, "libx264"));
    expectSoundWithPicture(out("encoded"), 3.70);
    ASSERT_TRUE(cutTo(src_, out("short"), 2.0, 2.9));
    expectSoundWithPicture(out("short"), 0.9);
}

TEST_P(SoundAhead, SplitPartsEndTheirSoundWithTheirPicture) {
    // By time: three cuts, the last to the file's end.
    const double bounds[] = {0, 3.1, 6.2, kLength};
    for (int i = 0; i < 3; ++i) {
        const QString part = out(QString("time%1").arg(i));
        ASSERT_TRUE(cutTo(src_, part, bounds[i], bounds[i + 1]));
        expectSoundWithPicture(part, bounds[i + 1] - bounds[i]);
    }
    // By size, the way the split window goes on from the length of each part.
    const qint64 cap = QFileInfo(src_).size() / 3;
    double start = 0;
    for (int i = 0; i < 6 && start < kLength - 0.02; ++i) {
        const QString part = out(QString("size%1").arg(i));
        double made = 0;
        ASSERT_TRUE(cutTo(src_, part, start, kLength, nullptr, cap, &made));
        EXPECT_LE(QFileInfo(part).size(), cap);
        if (made <= 0)
            made = probeDuration(part);
        expectSoundWithPicture(part, made);
        start = std::floor((start + made + 0.002) * 30) / 30;
    }
    EXPECT_NEAR(start, kLength, 2 * kPicture) << "the parts end before the file";
}

TEST_P(SoundAhead, JoinsOfTrimmedClipsKeepTheSoundOfEachRange) {
    ASSERT_TRUE(joinRanges({{src_, {1.0, 4.0}}, {src_, {6.0, 8.5}}}, out("joined"), false));
    expectSoundWithPicture(out("joined"), 5.5, 1);
    // The batch cutter's removal of a section: two parts cut, then joined by copying.
    ASSERT_TRUE(cutTo(src_, out("head"), 0, 3.1));
    ASSERT_TRUE(cutTo(src_, out("tail"), 6.2, kLength));
    ASSERT_TRUE(joinRanges({{out("head"), {0, 0}}, {out("tail"), {0, 0}}}, out("removed"), true));
    expectSoundWithPicture(out("removed"), 3.1 + kLength - 6.2, 1);
}

// A Matroska file is sought by position: the sound of a keyframe's time lies before it, and the
// sound of the file's first second before its first picture. A capped part from the start after
// the file was opened for its length (as the split window does, leaving an input open), cuts from
// inside the file and from its start, and the batch cutter's join of two parts.
TEST(SoundAheadSought, MatroskaCutsAndJoinsKeepTheSoundOfTheirRange) {
    const QString src = clip({"lead1", "aac", "mkv", 1000000});
    ASSERT_FALSE(src.isEmpty());
    QTemporaryDir dir;
    void* media = MediaOpen(utf8(src));
    ASSERT_TRUE(media);
    MediaClose(media);
    double made = 0;
    ASSERT_TRUE(cutTo(src, dir.filePath("part.mkv"), 0, kLength, nullptr, QFileInfo(src).size() / 3, &made));
    ASSERT_LT(made, kLength / 2) << "the part was not capped";
    expectSoundWithPicture(dir.filePath("part.mkv"), made);
    // The pictures of this file lie 23 ms after the frame grid of its sound; a range's times
    // count from the first picture.
    for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
        const QString out = dir.filePath(vcodec ? "encoded.mkv" : "fast.mkv");
        ASSERT_TRUE(cutTo(src, out, 1.123, 4.023, vcodec));
        expectSoundWithPicture(out, 2.9);
    }
    const QString head = dir.filePath("head.mkv"), tail = dir.filePath("tail.mkv");
    ASSERT_TRUE(cutTo(src, head, 0, 3.1));
    expectSoundWithPicture(head, 3.1);
    ASSERT_TRUE(cutTo(src, tail, 6.223, kLength));
    ASSERT_TRUE(joinRanges({{head, {0, 0}}, {tail, {0, 0}}}, dir.filePath("removed.mkv"), true));
    expectSoundWithPicture(dir.filePath("removed.mkv"), 3.1 + kLength - 6.223, 1);
}

// A picture the cut cannot re-encode at its edges (MPEG-4 Part 2) is copied whole: a capped part
// still holds back the sound read ahead of it and ends it with its last picture.
TEST(SoundAheadCopied, CappedPartEndsItsSoundWithItsPicture) {
    QTemporaryDir dir;
    const QString src = makeWithFfmpeg(
        dir.filePath("mpeg4.mov"), QString("-f lavfi -i testsrc2=size=568x320:rate=30 -f lavfi -i "
                                           "sine=f=1000:sample_rate=44100 -t %1 -c:v mpeg4 -q:v 3 -g 30 "
                                           "-c:a aac -ac 1 -audio_preload 1000000 -max_interleave_delta 0")
                                       .arg(kLength)
                                       .split(' '));
    ASSERT_FALSE(src.isEmpty());
    const QString part = dir.filePath("part.mov");
    double made = 0;
    ASSERT_TRUE(cutTo(src, part, 0, kLength, nullptr, QFileInfo(src).size() / 3, &made));
    ASSERT_LT(made, kLength / 2) << "the part was not capped";
    expectSoundWithPicture(part, made);
}

// AAC stored 0.5, 1 and 3 s ahead; all the sound first (PCM in a MOV, AAC in an MP4, which
// holds no PCM).
INSTANTIATE_TEST_SUITE_P(Interleavings, SoundAhead,
                         ::testing::Values(Interleave{"lead05", "aac", "mov", 500000},
                                           Interleave{"lead1", "aac", "mov", 1000000},
                                           Interleave{"lead3", "aac", "mov", 3000000},
                                           Interleave{"first", "pcm_s16le", "mov", 9000000},
                                           Interleave{"lead05", "aac", "mp4", 500000},
                                           Interleave{"lead1", "aac", "mp4", 1000000},
                                           Interleave{"lead3", "aac", "mp4", 3000000},
                                           Interleave{"first", "aac", "mp4", 9000000}));

// A click of 4 ms on every whole second, at a sound rate and in a sound codec of a case.
struct Clicks {
    const char* codec;
    int rate;
    const char* container;
    int frame; // samples in a sound packet
};

std::ostream& operator<<(std::ostream& os, const Clicks& c) {
    return os << c.codec << c.rate << "." << c.container;
}

class ClicksInStep : public ::testing::TestWithParam<Clicks> {
protected:
    static constexpr double kClicksLength = 12;

    void SetUp() override {
        const Clicks& c = GetParam();
        src_ = makeWithFfmpeg(
            dir_.filePath(QString("clicks.%1").arg(c.container)),
            QString("-f lavfi -i testsrc2=size=320x180:rate=30 -f lavfi -i "
                    "aevalsrc=0.8*sin(2*PI*3000*t)*lt(mod(t\\,1)\\,0.004):s=%1 -t %2 -c:v libx264 "
                    "-preset veryfast -g 30 -pix_fmt yuv420p -c:a %3")
                .arg(c.rate)
                .arg(kClicksLength)
                .arg(c.codec)
                .split(' '));
        ASSERT_FALSE(src_.isEmpty());
        clicks_ = clickTimes(src_);
        ASSERT_EQ(clicks_.size(), size_t(kClicksLength));
    }
    QString out(const QString& name) const { return dir_.filePath(name + "." + GetParam().container); }

    // The clicks of the source's [from, to) where an output of it places them, from `at` on.
    void addClicks(std::vector<double>* into, double from, double to, double at) const {
        for (double t : clicks_)
            if (t >= from - 0.001 && t < to - 0.005)
                into->push_back(t - from + at);
    }

    // Each click of `out` sounds where `expected` puts it, to within 2 ms, and its sound covers
    // its `seconds` of picture from its start to within a sound frame at each end. Past a copied
    // seam at `seamAt` the sound goes on whole packets after the sound before it: within one.
    void expectInStep(const QString& out, const std::vector<double>& expected, double seconds,
                      double seamAt = 1e9) const {
        SCOPED_TRACE(QFileInfo(out).fileName().toStdString());
        const double frame = double(GetParam().frame) / GetParam().rate + 0.003;
        const std::vector<double> heard = clickTimes(out);
        ASSERT_EQ(heard.size(), expected.size()) << "clicks lost or added";
        for (size_t i = 0; i < heard.size(); ++i)
            EXPECT_NEAR(heard[i], expected[i], expected[i] < seamAt ? 0.002 : frame) << "click " << i;
        const auto [pictureStart, pictureEnd] = span(out, "video");
        const auto [soundStart, soundEnd] = span(out, "audio");
        EXPECT_NEAR(pictureEnd - pictureStart, seconds, kPicture + 0.003);
        EXPECT_NEAR(soundStart - pictureStart, 0.0, frame);
        EXPECT_NEAR(soundEnd - pictureStart, seconds, frame);
        EXPECT_NEAR(decodedSoundSeconds(out, 0), seconds, 2 * frame);
    }

    QTemporaryDir dir_;
    QString src_;
    std::vector<double> clicks_;
};

// Keeping the format: a cut, a part capped by size from the start, a part of a split by time,
// and the removal of a section (two parts cut, then joined by copying).
TEST_P(ClicksInStep, CopiedCutsPartsAndJoinsKeepEachClickWithItsPicture) {
    std::vector<double> expected;
    ASSERT_TRUE(cutTo(src_, out("cut"), 2.4, 7.2));
    addClicks(&expected, 2.4, 7.2, 0);
    expectInStep(out("cut"), expected, 4.8);

    double made = 0;
    ASSERT_TRUE(cutTo(src_, out("capped"), 0, kClicksLength, nullptr, QFileInfo(src_).size() / 3, &made));
    ASSERT_GT(made, 1.0);
    ASSERT_LT(made, kClicksLength / 2) << "the part was not capped";
    expected.clear();
    addClicks(&expected, 0, made, 0);
    expectInStep(out("capped"), expected, made);

    // A range that ends just after a picture starts keeps that picture whole: its sound too.
    ASSERT_TRUE(cutTo(src_, out("part"), 4.1, 8.202));
    expected.clear();
    addClicks(&expected, 4.1, 8.202, 0);
    expectInStep(out("part"), expected, 8.2 + kPicture - 4.1);

    ASSERT_TRUE(cutTo(src_, out("head"), 0, 3.1));
    ASSERT_TRUE(cutTo(src_, out("tail"), 6.2, kClicksLength));
    ASSERT_TRUE(joinRanges({{out("head"), {0, 0}}, {out("tail"), {0, 0}}}, out("removed"), true));
    expected.clear();
    addClicks(&expected, 0, 3.1, 0);
    addClicks(&expected, 6.2, kClicksLength, 3.1);
    expectInStep(out("removed"), expected, 3.1 + kClicksLength - 6.2, 3.1);
}

INSTANTIATE_TEST_SUITE_P(SoundCodecs, ClicksInStep,
                         ::testing::Values(Clicks{"aac", 48000, "mp4", 1024},
                                           Clicks{"aac", 44100, "mp4", 1024},
                                           Clicks{"libmp3lame", 44100, "mp4", 1152}));

// A clip whose pictures name their frame number in their bottom rows (the left half's level the
// number's last base-20 digit, the right half's the one before) and whose sound is a quiet bed
// with a click on every whole second, so that each picture and click of an output maps back to
// its place in the source.
struct Numbered {
    const char* video; // encoder options
    int fps;
    const char* audio; // encoder
    int rate;
    const char* container;
    int frame; // samples in a sound packet
};

std::ostream& operator<<(std::ostream& os, const Numbered& n) {
    return os << QString(n.video).section(' ', 1, 1).toStdString() << n.fps << "_" << n.audio << n.rate << "."
              << n.container;
}

class StartsInStep : public ::testing::TestWithParam<Numbered> {
protected:
    static constexpr double kBed = 0.05;

    void SetUp() override {
        const Numbered& n = GetParam();
        src_ = makeWithFfmpeg(
            dir_.filePath(QString("numbered.%1").arg(n.container)),
            QString("-f lavfi -i testsrc2=size=320x180:rate=%1 -f lavfi -i "
                    "aevalsrc=%2*sin(2*PI*440*t)+0.8*sin(2*PI*3000*t)*lt(mod(t\\,1)\\,0.004):s=%3 -vf "
                    "geq=lum='if(lt(Y,160),lum(X,Y),if(lt(X,160),16+10*mod(N,20),16+10*floor(N/"
                    "20)))':cb='cb(X,Y)':"
                    "cr='cr(X,Y)' -t 12 %4 -pix_fmt yuv420p -c:a %5")
                .arg(n.fps)
                .arg(kBed)
                .arg(n.rate)
                .arg(n.video)
                .arg(n.audio)
                .split(' '));
        ASSERT_FALSE(src_.isEmpty());
        clicks_ = clickTimes(src_);
        ASSERT_EQ(clicks_.size(), 12u);
    }
    QString out(const QString& name) const { return dir_.filePath(name + "." + GetParam().container); }
    double picture() const { return 1.0 / GetParam().fps; }
    // The first picture a range starting at `t` keeps, and the first it leaves out at its end `t`.
    int firstFrom(double t) const { return int(std::ceil(t * GetParam().fps - 0.03)); }

    // The frame number of every picture of `path`, as ffmpeg decodes them.
    static std::vector<int> pictureNumbers(const QString& path) {
        QByteArray raw;
        run(FFMPEG_EXECUTABLE,
            {"-v", "error", "-nostdin", "-i", path, "-map", "0:v:0", "-vf",
             "crop=iw:20:0:ih-20,scale=2:1:flags=area", "-fps_mode", "passthrough", "-pix_fmt", "yuv444p",
             "-f", "rawvideo", "-"},
            &raw);
        std::vector<int> numbers;
        for (qsizetype at = 0; at + 6 <= raw.size(); at += 6) {
            const auto digit = [&](int i) { return int(std::lround((uchar(raw[at + i]) - 16) / 10.0)); };
            numbers.push_back(20 * digit(1) + digit(0));
        }
        return numbers;
    }

    // Where the sound of `path` falls silent for 2 ms or more (below a third of the bed) from the
    // first picture or its later start to a packet before it or the picture ends, in seconds on
    // the picture's clock.
    std::vector<double> silences(const QString& path) const {
        const DecodedSound sound = decodedSound(path);
        const double end =
            std::min(span(path, "video").second, double(sound.samples.size()) / sound.rate + sound.offset) -
            double(GetParam().frame) / GetParam().rate;
        return testsupport::silences(sound, float(kBed / 3), 0, end);
    }

    // The clicks of the source's pictures [first, end) where an output shows them from `at` on.
    void addClicks(std::vector<double>* into, int first, int end, double at) const {
        for (double t : clicks_)
            if (t >= first * picture() - 0.001 && t < end * picture() - 0.001)
                into->push_back(t - first * picture() + at);
    }

    // Its sound starts within a sound packet after its first picture (Matroska stores none
    // before it), is heard from there without a silence, and each click it holds sounds within
    // 2 ms of where `expected` puts it.
    void expectHeardInStep(const QString& out, std::vector<double> expected) const {
        SCOPED_TRACE(QFileInfo(out).fileName().toStdString());
        const double soundStart = span(out, "audio").first - span(out, "video").first;
        EXPECT_LE(soundStart, double(GetParam().frame) / GetParam().rate + 0.002);
        EXPECT_EQ(silences(out), std::vector<double>{}) << "silent at these times";
        std::erase_if(expected, [&](double t) { return t < soundStart - 0.001; });
        const std::vector<double> heard = clickTimes(out);
        ASSERT_EQ(heard.size(), expected.size()) << "clicks lost or added";
        for (size_t i = 0; i < heard.size(); ++i)
            EXPECT_NEAR(heard[i], expected[i], 0.002) << "click " << i;
    }

    QTemporaryDir dir_;
    QString src_;
    std::vector<double> clicks_;
};

// Keeping the format: a cut, a part of a split by time from a keyframe (where the sound before
// it lies before the keyframe in the file) and a part capped by size (short groups of pictures
// let it be copied).
TEST_P(StartsInStep, CopiedCutsAreHeardFromTheirStart) {
    for (const auto& [name, from, to] : {std::tuple{"cut", 2.4, 7.2}, std::tuple{"part", 6.0, 8.5}}) {
        ASSERT_TRUE(cutTo(src_, out(name), from, to));
        std::vector<double> expected;
        addClicks(&expected, firstFrom(from), firstFrom(to), 0);
        expectHeardInStep(out(name), expected);
    }
    double made = 0;
    ASSERT_TRUE(cutTo(src_, out("capped"), 6.0, 12, nullptr, QFileInfo(src_).size() / 3, &made));
    ASSERT_LT(made, 5.5) << "the part was not capped";
    std::vector<double> expected;
    addClicks(&expected, firstFrom(6.0), firstFrom(6.0 + made), 0);
    expectHeardInStep(out("capped"), expected);
}

// A join keeping the format of clips trimmed between two pictures (the joiner's and the easy
// cutter's merge): each clip begins with the picture shown at its start and its sound with it,
// and ends with the last picture that starts before its end, shown once.
TEST_P(StartsInStep, TrimmedClipsJoinWithTheirSoundAndEachPictureOnce) {
    const double ranges[2][2] = {{2.41, 5.21}, {6.35, 9.1}};
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out("joined"))), 1);
    for (const auto& r : ranges)
        ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src_), uint64_t(r[0] * 1e6), uint64_t(r[1] * 1e6)),
                  0u);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);

    std::vector<int> pictures;
    std::vector<double> expected;
    for (const auto& r : ranges) {
        addClicks(&expected, firstFrom(r[0]), firstFrom(r[1]), double(pictures.size()) * picture());
        for (int n = firstFrom(r[0]); n < firstFrom(r[1]); ++n)
            pictures.push_back(n);
    }
    EXPECT_EQ(pictureNumbers(out("joined")), pictures);
    expectHeardInStep(out("joined"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, StartsInStep,
    ::testing::Values(Numbered{"-c:v libx264 -preset veryfast -g 15", 30, "aac", 48000, "mp4", 1024},
                      Numbered{"-c:v libx264 -preset veryfast -g 15", 25, "aac", 44100, "mov", 1024},
                      Numbered{"-c:v libx264 -preset veryfast -g 15", 30, "libmp3lame", 44100, "mkv", 1152},
                      Numbered{"-c:v libx265 -preset ultrafast -x265-params "
                               "pools=1:frame-threads=1:keyint=15:log-level=error -tag:v hvc1",
                               30, "aac", 48000, "mp4", 1024}));

} // namespace

namespace {

// A source whose picture runs at `rate` over a quiet 440 Hz bed with a click on every whole
// second, in each sound codec the program copies.
struct Seam {
    const char* name;
    const char* container;
    const char* args; // after the two sources
    int soundRate;
    double frame; // seconds of a sound packet
};

std::ostream& operator<<(std::ostream& os, const Seam& s) {
    return os << s.name << "." << s.container;
}

QString rateOf(const Seam& c) {
    return QString(c.name).contains("25") ? "25" : QString(c.name).contains("24") ? "24000/1001" : "30";
}

class SeamSound : public ::testing::TestWithParam<Seam> {
protected:
    // The source of the case, made once per test program.
    static QString source(const Seam& c) {
        static QTemporaryDir dir;
        static std::map<std::string, QString> made;
        QString& path = made[c.name];
        // At this size the parts' re-encoded picture edges keep the source's parameter sets (at
        // 320x180 they carry one of their own), so that a join of them copies and meets the seam.
        if (path.isEmpty())
            path = makeWithFfmpeg(
                dir.filePath(QString("%1.%2").arg(c.name, c.container)),
                QString(
                    "-f lavfi -i testsrc2=size=640x360:rate=%1 -f lavfi -i "
                    "aevalsrc=0.1*sin(2*PI*440*t)+0.8*sin(2*PI*3000*t)*lt(mod(t\\,1)\\,0.004):s=%2 -t 12 %3")
                    .arg(rateOf(c))
                    .arg(c.soundRate)
                    .arg(QString("-threads 1 ") + c.args)
                    .split(' '));
        return path;
    }
};

// The batch cutter's removal of 4.20-6.70 (two cuts, then their copy join): where the parts
// meet there is no dropout, the clicks before the seam stay where the first part has them and
// those after it lie within half a packet of where the second part has them.
TEST_P(SeamSound, RemovedSectionLeavesNoDropout) {
    const Seam& c = GetParam();
    QTemporaryDir dir;
    const QString ext = c.container;
    const QString src = source(c);
    ASSERT_FALSE(src.isEmpty());
    const QString head = dir.filePath("head." + ext), tail = dir.filePath("tail." + ext),
                  removed = dir.filePath("removed." + ext);
    ASSERT_TRUE(cutTo(src, head, 0, 4.2));
    ASSERT_TRUE(cutTo(src, tail, 6.7, 12));
    ASSERT_TRUE(joinRanges({{head, {0, 0}}, {tail, {0, 0}}}, removed, true));
    // Each click after the seam against the last one before it, so that where the output's sound
    // begins does not count here.
    const auto afterSeam = [](const std::vector<double>& clicks) {
        std::vector<double> after;
        const auto seam = std::lower_bound(clicks.begin(), clicks.end(), 4.2);
        for (auto i = seam; i != clicks.end() && seam != clicks.begin(); ++i)
            after.push_back(*i - *(seam - 1));
        return after;
    };
    // Clicks of 0.8 over a bed of 0.1; a dropout falls below a third of the bed.
    const auto clicks = [](const DecodedSound& sound) { return clickTimes(sound, 0.3, 0.4f); };
    // The second part's pictures follow the first part's content, which in Matroska ends with
    // its sound up to a packet after its last picture.
    const testsupport::DecodedFrames pictures = testsupport::decodedFrames(removed, "v");
    ASSERT_FALSE(pictures.times.empty());
    const auto second =
        std::lower_bound(pictures.times.begin(), pictures.times.end(), pictures.times.front() + 4.19);
    ASSERT_NE(second, pictures.times.end());
    std::vector<double> joined = clicks(decodedSound(head));
    for (const double t : clicks(decodedSound(tail)))
        joined.push_back(t + *second - pictures.times.front());
    const std::vector<double> expected = afterSeam(joined);
    const DecodedSound sound = decodedSound(removed);
    for (const double t : testsupport::silences(sound, 0.1f / 3, 4.0, 4.4))
        ADD_FAILURE() << "a dropout at " << t << " s";
    // Before it each click where the first part has it (but at the output's very start).
    const std::vector<double> heard = clicks(sound);
    auto j = std::lower_bound(joined.begin(), joined.end(), 0.5);
    for (auto h = std::lower_bound(heard.begin(), heard.end(), 0.5); h != heard.end() && *h < 4.1; ++h)
        EXPECT_NEAR(*h, *j++, 0.002) << "click " << h - heard.begin() << " before the seam";
    const std::vector<double> after = afterSeam(heard);
    ASSERT_EQ(after.size(), expected.size()) << "clicks lost or added";
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(after[i], expected[i], c.frame / 2 + 0.002) << "click " << i << " after the seam";
}

// A cut keeping the format (1.87-5.57) and the removal of 3.0-5.0: the clicks of the cut and
// those before the seam sound where the source has them against the pictures kept, to within
// 2 ms, and the sound covers the picture to within a packet at each end.
TEST_P(SeamSound, CutsCoverTheirPictureToBothEnds) {
    const Seam& c = GetParam();
    const QString src = source(c);
    ASSERT_FALSE(src.isEmpty());
    QTemporaryDir dir;
    const QString ext = c.container;
    const auto clicks = [](const QString& path) { return clickTimes(decodedSound(path), 0.3, 0.4f); };
    const std::vector<double> sourceClicks = clicks(src);
    const double fps = rateOf(c) == "30" ? 30 : rateOf(c) == "25" ? 25 : 24000 / 1001.0;
    // The clicks of the source's [from, to) against its first picture kept, and the output's
    // there (but at its edges, where a click may be cut or lie past a seam).
    const auto expectCovered = [&](const QString& out, double from, double to) {
        SCOPED_TRACE(QFileInfo(out).fileName().toStdString());
        const auto [pictureStart, pictureEnd] = span(out, "video");
        const auto [soundStart, soundEnd] = span(out, "audio");
        EXPECT_NEAR(soundStart - pictureStart, 0.0, c.frame + 0.002);
        EXPECT_NEAR(soundEnd - pictureEnd, 0.0, c.frame + 0.002);
        const double first = std::ceil(from * fps - 0.03) / fps, end = std::ceil(to * fps - 0.03) / fps;
        const auto inside = [&](double t) { return t > 0.05 && t < end - first - 0.05; };
        std::vector<double> expected;
        for (const double t : sourceClicks)
            if (inside(t - first))
                expected.push_back(t - first);
        std::vector<double> heard = clicks(out);
        std::erase_if(heard, [&](double t) { return !inside(t); });
        ASSERT_EQ(heard.size(), expected.size()) << "clicks lost or added";
        // (Matroska's millisecond clock rounds Opus's codec delay, 6.5 ms, as well.)
        for (size_t i = 0; i < heard.size(); ++i)
            EXPECT_NEAR(heard[i], expected[i], ext == "webm" ? 0.003 : 0.002) << "click " << i;
    };
    ASSERT_TRUE(cutTo(src, dir.filePath("cut." + ext), 1.87, 5.57));
    expectCovered(dir.filePath("cut." + ext), 1.87, 5.57);
    const QString head = dir.filePath("head." + ext), tail = dir.filePath("tail." + ext),
                  removed = dir.filePath("removed." + ext);
    ASSERT_TRUE(cutTo(src, head, 0, 3));
    ASSERT_TRUE(cutTo(src, tail, 5, 12));
    ASSERT_TRUE(joinRanges({{head, {0, 0}}, {tail, {0, 0}}}, removed, true));
    expectCovered(removed, 0, 3);
}

// AAC at 48 and 44.1 kHz with H.264 (copied sound in each part) and with HEVC of open groups,
// which the cuts re-encode (each part's sound then begins with its encoder's priming); Opus in
// WebM and MP2 in an MPEG transport stream, whose parts are re-encoded too; MP3, AC-3 and
// E-AC-3 in Matroska; AAC under 23.976 pictures a second with B-frames, whose parts' picture
// headers differ (their join re-encodes) and whose sound ends before the picture.
INSTANTIATE_TEST_SUITE_P(
    SoundCodecs, SeamSound,
    ::testing::Values(Seam{"aac48", "mp4", "-c:v libx264 -preset veryfast -g 30 -pix_fmt yuv420p -c:a aac",
                           48000, 1024 / 48e3},
                      Seam{"aac44_25", "mov", "-c:v libx264 -preset veryfast -g 25 -pix_fmt yuv420p -c:a aac",
                           44100, 1024 / 44.1e3},
                      Seam{"hevc", "mp4",
                           "-c:v libx265 -preset ultrafast -x265-params "
                           "pools=1:frame-threads=1:keyint=30:log-level=error -tag:v "
                           "hvc1 -pix_fmt yuv420p "
                           "-c:a aac",
                           48000, 1024 / 48e3},
                      Seam{"opus", "webm",
                           "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -g 30 -c:a libopus", 48000, 0.02},
                      Seam{"mp2", "ts", "-c:v libx264 -preset veryfast -g 30 -pix_fmt yuv420p -c:a mp2",
                           44100, 1152 / 44.1e3},
                      Seam{"mp3", "mkv",
                           "-c:v libx264 -preset veryfast -g 30 -pix_fmt yuv420p -c:a libmp3lame -b:a 160k",
                           44100, 1152 / 44.1e3},
                      Seam{"ac3", "mkv", "-c:v libx264 -preset veryfast -g 30 -pix_fmt yuv420p -c:a ac3",
                           48000, 1536 / 48e3},
                      Seam{"eac3", "mkv", "-c:v libx264 -preset veryfast -g 30 -pix_fmt yuv420p -c:a eac3",
                           48000, 1536 / 48e3},
                      Seam{"aac44_24", "mp4",
                           "-c:v libx264 -preset veryfast -g 24 -bf 3 -pix_fmt yuv420p -c:a aac", 44100,
                           1024 / 44.1e3}));

} // namespace
