// Subtitle files that would take the renderer minutes or gigabytes: files and single subtitles
// over the size limits are refused (by the engine's setter too), and a script asking for a
// font far taller than the picture, a huge blur or outline is drawn held to bounds.
#include "SubtitleFile.h"

#include "../mediacore/EngineJobs.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/error.h>
}

using namespace mediafx;

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

const char* kCue = "1\n00:00:00,000 --> 00:00:05,000\n";

const std::string kStyles = "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
                            "OutlineColour, BackColour, "
                            "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
                            "BorderStyle, Outline, Shadow, Alignment, "
                            "MarginL, MarginR, MarginV, Encoding\n";
const std::string kEvents =
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

std::string script(const std::string& style, const std::string& text) {
    return "[Script Info]\nPlayResX: 640\nPlayResY: 360\n\n" + kStyles + "Style: Default,Arial," + style +
           "\n\n" + kEvents + "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,," + text + "\n";
}

} // namespace

TEST(SubtitleFile, FilesAndSubtitlesOverTheLimitsAreRefusedAlsoByTheEnginesSetter) {
    QTemporaryDir dir;
    QByteArray many;
    while (many.size() <= kMaxSubtitleBytes)
        many += QByteArray(kCue) + "An ordinary line of text\n\n";
    const QString big = write(dir, "big.srt", many);
    const QString oneLine = write(dir, "line.srt", kCue + QByteArray(100000, 'x') + "\n");
    // Many short lines of one cue are one subtitle all the same.
    QByteArray lines = kCue;
    for (int i = 0; i < 2000; ++i)
        lines += "short line\n";
    const QString tall = write(dir, "tall.srt", lines);
    const QString fine =
        write(dir, "fine.srt", QByteArray(kCue) + "Hello\n\n2\n00:00:06,000 --> 00:00:07,000\nBye\n");

    EXPECT_EQ(checkSubtitleFile(big.toStdString()), AVERROR(EFBIG));
    EXPECT_EQ(checkSubtitleFile(oneLine.toStdString()), AVERROR(EMSGSIZE));
    EXPECT_EQ(checkSubtitleFile(tall.toStdString()), AVERROR(EMSGSIZE));
    EXPECT_EQ(checkSubtitleFile(fine.toStdString()), 0);
    for (const QString& refused : {big, oneLine}) {
        Job job;
        SUBTITLE_PARAM p{};
        mediarecords::writeText(p.path, refused.toStdString());
        EXPECT_LT(apiMediaConvertSetSubtitle(job.h, p), 1) << refused.toStdString();
    }
}

TEST(SubtitleFile, AScriptsSizesAreHeldToItsPictureAndAnExportWithThemEnds) {
    const std::string hostile = script(
        "100000,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,5000,100,0,0,1,9000,2,2,10,10,10,1",
        "{\\blur4000\\fs90000\\be300\\bord2}Hi {\\t(\\fscy900)}there");
    const std::string bounded = boundedAssScript(hostile);
    // Font size at most the picture height (360), scale 200 %, edges a twentieth (18).
    EXPECT_NE(bounded.find(
                  "Style: Default,Arial,360,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,200,100,0,0,"
                  "1,18,2,2,10,10,10,1\n"),
              std::string::npos)
        << bounded;
    EXPECT_NE(bounded.find(",,{\\blur18\\fs360\\be20\\bord2}Hi {\\t(\\fscy200)}there"), std::string::npos)
        << bounded;
    // Styles without a "Format:" line are read in the renderer's default order: bounded too.
    std::string unformatted = hostile;
    const size_t from = unformatted.find("Format: Name");
    unformatted.erase(from, unformatted.find('\n', from) + 1 - from);
    EXPECT_NE(boundedAssScript(unformatted).find("Style: Default,Arial,360,"), std::string::npos);
    const std::string ordinary =
        script("40,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,1,2,10,10,10,1",
               "{\\blur2\\fs50}Hi");
    EXPECT_EQ(boundedAssScript(ordinary), ordinary);

    // The export draws the bounded copy and ends like any other.
    QTemporaryDir dir;
    const QString ass = write(dir, "hostile.ass", QByteArray::fromStdString(hostile));
    EXPECT_NE(drawablePath(ass.toStdString()), ass.toStdString());
    EXPECT_EQ(drawablePath(write(dir, "ordinary.ass", QByteArray::fromStdString(ordinary)).toStdString()),
              dir.filePath("ordinary.ass").toStdString());
    Job job;
    const QString out = dir.filePath("out.mp4");
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(testsupport::media("h264_aac.mp4"))), 1);
    SUBTITLE_PARAM p{};
    mediarecords::writeText(p.path, ass.toStdString());
    ASSERT_GE(apiMediaConvertSetSubtitle(job.h, p), 1);
    apiMediaConvertSetCutTime(job.h, 0, 1000000);
    ASSERT_TRUE(finish(job, out));
    EXPECT_EQ(testsupport::probeFrameCount(out), 25);
}
