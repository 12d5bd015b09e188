// A file opened again without reading its first frames: an unchanged file reads as it did the
// first time, and a file replaced at the same path is read afresh, also by a job.
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

struct Probed {
    bool ok = false;
    MEDIA_AUDIO_STREAM_INFO audio{};
    MEDIA_VIDEO_STREAM_INFO video{};
    int64_t duration = 0;
    std::vector<unsigned char> picture;
};

Probed openAndSnap(const QString& path) {
    Probed p;
    void* m = MediaOpen(path.toUtf8().constData());
    if (!m)
        return p;
    p.picture.assign(size_t(64) * 36 * 4, 0);
    p.ok = MediaGetInfo(m, &p.audio, &p.video) >= 1 && MediaSnapshot(m, 0, 64, 36, p.picture.data(), 0) >= 1;
    p.duration = MediaGetDuration(m);
    MediaClose(m);
    return p;
}

bool replace(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace

TEST(Reopen, AnUnchangedFileReadsAsBeforeAndAReplacedOneAfresh) {
    QTemporaryDir dir;
    for (const char* ext : {"mp4", "mkv"}) {
        SCOPED_TRACE(ext);
        const QString path = dir.filePath(QString("clip.") + ext);
        ASSERT_TRUE(replace(media(QString("h264_aac.") + ext), path));
        const Probed first = openAndSnap(path), again = openAndSnap(path);
        ASSERT_TRUE(first.ok && again.ok);
        EXPECT_EQ(std::memcmp(&first.video, &again.video, sizeof first.video), 0);
        EXPECT_EQ(std::memcmp(&first.audio, &again.audio, sizeof first.audio), 0);
        EXPECT_EQ(first.duration, again.duration);
        EXPECT_EQ(first.picture, again.picture);

        // Another picture size, no sound: what the path holds now, as ffprobe reads it.
        ASSERT_TRUE(replace(media(ext == std::string("mkv") ? "odd_321x241.mkv" : "no_audio.mp4"), path));
        const Probed replaced = openAndSnap(path);
        ASSERT_TRUE(replaced.ok);
        const QJsonObject v = probeStream(path, "video");
        EXPECT_EQ(replaced.video.width, v.value("width").toInt());
        EXPECT_EQ(replaced.video.height, v.value("height").toInt());
        EXPECT_EQ(replaced.audio.exist != 0, probeStreamCount(path, "audio") > 0);
        EXPECT_NEAR(double(replaced.duration) / 1e6, probeDuration(path), 0.05);

        // A job on the replaced file copies its streams as they are now.
        const QString out = dir.filePath(QString("cut.") + ext);
        QFile::remove(out);
        Job job;
        ASSERT_TRUE(convert(job, path, out, 0, 1000000));
        const QJsonObject o = probeStream(out, "video");
        EXPECT_EQ(o.value("width").toInt(), v.value("width").toInt());
        EXPECT_EQ(o.value("pix_fmt").toString(), v.value("pix_fmt").toString());
        EXPECT_EQ(probeStreamCount(out, "audio"), probeStreamCount(path, "audio"));
    }
}

// A job leaves its input open for the next opening of the file, read up to its range's end
// with only the cut's streams read: the next one reads from the start with every stream.
TEST(Reopen, AnInputAJobLeftOpenReadsFromTheStartAgain) {
    QTemporaryDir dir;
    const QString path = dir.filePath("clip.mp4");
    ASSERT_TRUE(replace(media("h264_aac.mp4"), path));
    const Probed before = openAndSnap(path);
    ASSERT_TRUE(before.ok);
    {
        Job cut;
        ASSERT_TRUE(convert(cut, path, dir.filePath("middle.mp4"), 1000000, 2000000));
    }
    const Probed after = openAndSnap(path);
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(after.picture, before.picture);
    EXPECT_EQ(after.duration, before.duration);

    const QString head = dir.filePath("head.mp4");
    Job again;
    ASSERT_TRUE(convert(again, path, head, 0, 1000000));
    EXPECT_NEAR(probeDuration(head), 1.0, 0.1);
    EXPECT_EQ(probeStreamCount(head, "audio"), 1);
}
