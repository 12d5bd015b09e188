// FFmpeg's log goes into the program's categories: an export writes nothing to stderr, yet
// FFmpeg's lines and the engine's failures still reach the categories that own them.
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/FfmpegLog.h"

using namespace testsupport;

namespace {

// Everything written to file descriptor 2 while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const QString& path) : path_(path) {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(path.toUtf8().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    QByteArray finish() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
            saved_ = -1;
        }
        QFile f(path_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    ~StderrCapture() { finish(); }

private:
    QString path_;
    int saved_ = -1;
};

// Messages handed to Qt's message handler, as "category: text".
QMutex gMutex;
QStringList gMessages;
void collect(QtMsgType, const QMessageLogContext& context, const QString& text) {
    QMutexLocker lock(&gMutex);
    gMessages << QString::fromUtf8(context.category) + ": " + text;
}

bool x264Export(const QString& out) {
    void* job = apiMediaConvertCreate();
    const bool ok =
        apiMediaConvertSetInputMedia(job, media("h264_aac.mp4").toUtf8().constData()) >= 1 &&
        apiMediaConvertSetVcodec(job, "libx264") >= 1 && apiMediaConvertSetAcodec(job, "aac") >= 1 &&
        apiMediaConvertSetOutputPath(job, out.toUtf8().constData()) >= 1 && apiMediaConvertStart(job) >= 1;
    apiMediaConvertClose(job);
    return ok;
}

} // namespace

TEST(FfmpegLog, AnExportWritesNothingToStderr) {
    routeFfmpegLog();
    QTemporaryDir dir;
    const QString out = dir.filePath("x264.mp4");
    StderrCapture capture(dir.filePath("stderr.txt"));
    const bool ok = x264Export(out);
    const QByteArray written = capture.finish();
    ASSERT_TRUE(ok);
    EXPECT_EQ(probeStream(out, "video").value("codec_name").toString(), "h264");
    // The encoder's statistics ("frame I:..., Avg QP...", "kb/s") among them.
    EXPECT_TRUE(written.isEmpty()) << written.constData();
}

TEST(FfmpegLog, LinesReachTheirCategories) {
    routeFfmpegLog();
    QLoggingCategory::setFilterRules(QStringLiteral("cutbench.ffmpeg.debug=true"));
    gMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    QTemporaryDir dir;
    const bool exported = x264Export(dir.filePath("x264.mp4"));
    void* job = apiMediaConvertCreate();
    const int refused = apiMediaConvertSetInputMedia(job, media("not_media.mp4").toUtf8().constData());
    apiMediaConvertClose(job);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    EXPECT_TRUE(exported);
    EXPECT_LT(refused, 1);
    const QString all = gMessages.join('\n');
    // One whole line per message, with FFmpeg's own prefix and without the library tag.
    EXPECT_TRUE(
        gMessages.filter(QRegularExpression("^cutbench\\.ffmpeg: \\[libx264 @ 0x[0-9a-f]+\\] frame I:"))
            .size() == 1)
        << all.toStdString();
    EXPECT_FALSE(gMessages.filter(QRegularExpression("^cutbench\\.engine: .*not_media\\.mp4")).isEmpty())
        << all.toStdString();
    EXPECT_TRUE(gMessages.filter("[MediaCore").isEmpty()) << all.toStdString();
    for (const QString& m : gMessages)
        EXPECT_FALSE(m.endsWith('\n')) << m.toStdString();
}

// A line is filed by the class of the object it was logged on, never by its text: the
// player's reach the player's category, and an FFmpeg line that looks like the engine's stays
// FFmpeg's.
TEST(FfmpegLog, LinesAreFiledByTheirClassNotTheirText) {
    routeFfmpegLog();
    gMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    av_log(nullptr, AV_LOG_ERROR, "[MediaCore] an imitation\n");
    { LxMoviePlayer player(QDir::temp().filePath("cutbench-no-such-file.mp4"), QRect(0, 0, 64, 36)); }
    qInstallMessageHandler(previous);
    const QString all = gMessages.join('\n');
    EXPECT_EQ(
        gMessages.filter(QRegularExpression("^cutbench\\.ffmpeg: \\[MediaCore\\] an imitation$")).size(), 1)
        << all.toStdString();
    EXPECT_EQ(gMessages.filter(QRegularExpression("^cutbench\\.player: cannot play .*cutbench-no-such-file"))
                  .size(),
              1)
        << all.toStdString();
}
