#include "tools/shared/SourceProbe.h"

#include "foundation/helpers/NSBundle.h"
#include "foundation/records/FileData.h"
#include "foundation/records/SimpleData.h"
#include "mediacore/MediaCore.h"
#include "platform/Alerts.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/TerminationSignals.h"
#include "tools/shared/EngineConvert.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>
#include <vector>

namespace {

// An MPEG recording is read whole for its index when it is first opened: a second or more a
// few gigabytes from memory, longer from a disk. Smaller files are read at once.
constexpr qint64 kLongReadBytes = qint64(64) << 20;
constexpr int kSheetAfterMs = 500;

// Sets `path` as the job's input. A large file is read on a worker: the windows stay painted
// but take no input for half a second, then a window-modal sheet shows how far the reading is
// and its Cancel stops it (*cancelled).
int setInputWaiting(EngineConvert& job, const QString& path, QWidget* window, bool* cancelled) {
    *cancelled = false;
    if (QFileInfo(path).size() < kLongReadBytes ||
        !qobject_cast<QApplication*>(QCoreApplication::instance()) || !isMainThread())
        return job.setInput(path);
    QEventLoop loop;
    std::atomic<bool> done{false};
    int result = 0;
    dispatchGlobal([&] {
        result = job.setInput(path);
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(kSheetAfterMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (done)
        return result;
    window = window ? window : QApplication::activeWindow();
    const QPointer<QProgressDialog> sheet = new QProgressDialog(
        NSBundle::localizedStringForKey("progressLabelStringValue") + QFileInfo(path).fileName(),
        NSBundle::localizedStringForKey("CancelexportTitle"), 0, 100, window);
    sheet->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    sheet->setMinimumDuration(0);
    QObject::connect(sheet, &QProgressDialog::canceled, [&] {
        *cancelled = true;
        job.stop();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (sheet)
            sheet->setValue(int(job.progress() * 100));
    });
    poll.start(100);
    sheet->setValue(int(job.progress() * 100));
    // Once the program is ending, no event loop runs any more: the reading, stopped by then,
    // is waited for without taking a processor from it.
    while (!done)
        if (loop.exec() < 0)
            QThread::msleep(5);
    delete sheet.data();
    return result;
}

} // namespace

QImage SourceProbe::thumbnail(const QString& path, QSize size) {
    if (size.isEmpty())
        return {};
    void* media = MediaOpen(path.toUtf8().constData());
    if (!media)
        return {};
    // A program that is ending shows no picture: its main loop waits for this one.
    if (termination::pending()) {
        MediaClose(media);
        return {};
    }
    // The buffer starts zeroed and is used only when the snapshot succeeded, so a failed
    // snapshot never shows leftover memory.
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        MediaClose(media);
        return {};
    }
    image.fill(Qt::transparent);
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "snapshot bytes are B, G, R, A = ARGB32 on little-endian");
    const int r = MediaSnapshot(media, 0, size.width(), size.height(), image.bits(), 0);
    MediaClose(media);
    if (r < 1 || image.bytesPerLine() != qsizetype(size.width()) * 4)
        return {};
    return image;
}

SourceProbe::Result SourceProbe::probe(const QString& path, bool refuseAc3, QWidget* window) {
    Result refused{nullptr, Refusal::NotMedia};
    const QFileInfo info(path);
    if (!info.isFile())
        return refused;

    // A job that is never started: the engine's view of the file's streams.
    const std::unique_ptr<EngineConvert> job = EngineConvert::create();
    bool cancelled = false;
    // A reading the program's end stopped is no refusal to tell of either.
    if (!job || setInputWaiting(*job, path, window, &cancelled) < 1)
        return {nullptr, cancelled || termination::received() ? Refusal::Cancelled : Refusal::NotMedia};
    // The program is ending: the rest (its picture above all) would only hold its main loop.
    if (termination::pending())
        return {nullptr, Refusal::Cancelled};
    const int64_t durationUs = job->inputDurationUs();
    // A file without a positive length cannot be previewed, marked or cut.
    if (durationUs <= 0)
        return refused;

    int audioCount = 0;
    if (apiMediaConvertGetAudioStreamInfo(job->handle(), &audioCount, nullptr) < 1)
        return refused;
    std::vector<MEDIA_AUDIO_STREAM_INFO> audio(size_t(std::max(0, audioCount)));
    if (audioCount > 0 && apiMediaConvertGetAudioStreamInfo(job->handle(), &audioCount, audio.data()) < 1)
        return refused;

    int videoCount = 0;
    if (apiMediaConvertGetVideoStreamInfo(job->handle(), &videoCount, nullptr) < 1)
        return refused;
    std::vector<MEDIA_VIDEO_STREAM_INFO> video(size_t(std::max(0, videoCount)));
    if (videoCount > 0 && apiMediaConvertGetVideoStreamInfo(job->handle(), &videoCount, video.data()) < 1)
        return refused;

    if (audioCount > 0 && refuseAc3) {
        const QString codec =
            QString::fromUtf8(audio[0].codec, qsizetype(strnlen(audio[0].codec, sizeof audio[0].codec)));
        if (codec.compare("ac3", Qt::CaseInsensitive) == 0)
            return {nullptr, Refusal::Ac3Audio};
    }

    auto data = std::make_shared<SimpleData>();
    data->fillFromProbe(path, durationUs, audioCount > 0 ? &audio[0] : nullptr,
                        videoCount > 0 ? &video[0] : nullptr);
    if (videoCount > 0 && video[0].exist != 0) {
        const QImage thumb = thumbnail(path, QSize(kThumbWidth, kThumbHeight));
        if (!thumb.isNull())
            data->thumbImage = thumb;
    }
    return {data, Refusal::None, std::move(audio), videoCount > 0};
}

SourceProbe::Result SourceProbe::probeClip(const QString& path, QWidget* window) {
    Result result = probe(path, true, window);
    if (result.data && !result.hasVideo)
        result.data->thumbImage = NSBundle::imageWithfileName("Cut/musicIconB.png");
    return result;
}

void SourceProbe::showRefusal(QWidget* window, Refusal refusal, const QString& path) {
    switch (refusal) {
    case Refusal::None:
    case Refusal::Cancelled:
        return;
    case Refusal::Ac3Audio:
        Alerts::showWarning(window, NSBundle::localizedStringForKey("error"),
                            NSBundle::localizedStringForKey("AAC3_Error_Message"), {},
                            NSBundle::localizedStringForKey("alertOKBtn"));
        return;
    case Refusal::NotMedia:
        Alerts::showWarning(window, NSBundle::localizedStringForKey("error"),
                            unsupportedFilesText({QFileInfo(path).fileName()}));
        return;
    }
}

QString SourceProbe::unsupportedFilesText(const QStringList& names) {
    return NSBundle::localizedStringForKey("nonsupportfilesstringValue") + names.join(QStringLiteral(", "));
}

std::shared_ptr<SimpleData> SourceProbe::probeOrRefuse(QWidget* window, const QString& path) {
    Result result = probe(path, true, window);
    if (!result.data)
        showRefusal(window, result.refusal, path);
    return std::move(result.data);
}
