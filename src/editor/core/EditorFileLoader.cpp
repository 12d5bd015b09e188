#include "editor/core/EditorFileLoader.h"

#include "foundation/helpers/NSBundle.h"
#include "foundation/records/AudioStreamInfo.h"
#include "platform/Alerts.h"
#include "platform/Log.h"
#include "tools/shared/SourceProbe.h"

#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace {

bool turnsSideways(int angle) {
    return angle % 180 != 0 && angle % 90 == 0;
}

// The first frame, 180 pixels high, in the proportions of the picture as it is shown; null
// when the engine gives none (the file still opens, without a thumbnail).
QImage thumbnail(const QString& path, const FileData& source) {
    const bool sideways = turnsSideways(source.angle);
    return SourceProbe::thumbnail(path,
                                  EditorFileLoader::thumbnailSize(sideways ? source.height : source.width,
                                                                  sideways ? source.width : source.height));
}

// A picture or sound stream whose sizes cannot be right: the file cannot be edited.
bool impossibleStreams(const FileData& s) {
    return (s.exist != 0 && (s.width < 1 || s.height < 1)) ||
           (s.a_exist != 0 && (s.a_channel < 1 || s.a_samplerate < 1));
}

void showAc3Warnings(const QPointer<QWidget>& window, int remaining) {
    if (remaining <= 0 || !window)
        return;
    Alerts::showWarning(
        window, NSBundle::localizedStringForKey("error"),
        NSBundle::localizedStringForKey("AAC3_Error_Message"),
        [window, remaining] { showAc3Warnings(window, remaining - 1); },
        NSBundle::localizedStringForKey("alertOKBtn"));
}

} // namespace

QSize EditorFileLoader::thumbnailSize(int width, int height) {
    if (width < 1 || height < 1)
        return {};
    const double w = double(width) * kThumbHeight / double(height);
    return {int(std::clamp(w, 1.0, double(kMaxThumbWidth))), kThumbHeight};
}

std::vector<std::shared_ptr<AudioStreamInfo>>
EditorFileLoader::playableAudioStreams(const std::vector<MEDIA_AUDIO_STREAM_INFO>& records, int* skippedAc3) {
    std::vector<std::shared_ptr<AudioStreamInfo>> streams;
    if (skippedAc3)
        *skippedAc3 = 0;
    for (const MEDIA_AUDIO_STREAM_INFO& record : records) {
        const QString codec = QString::fromStdString(mediarecords::readText(record.codec));
        if (codec.compare(QLatin1String("ac3"), Qt::CaseInsensitive) == 0) {
            qCInfo(lcEditor) << "sound stream" << record.index << "is AC-3 and left out";
            if (skippedAc3)
                ++*skippedAc3;
            continue;
        }
        streams.push_back(AudioStreamInfo::fromEngine(record));
    }
    return streams;
}

EditorFileLoader::Result EditorFileLoader::probe(const QString& path) {
    qCInfo(lcEditor) << "fileName:" << path;
    Result result;
    // The editor keeps a file with AC-3 sound and leaves those streams out of its list.
    SourceProbe::Result probed = SourceProbe::probe(path, /*refuseAc3=*/false);
    if (!probed.data || impossibleStreams(*probed.data->sourceData)) {
        result.refusal =
            probed.refusal == SourceProbe::Refusal::Cancelled ? Refusal::Cancelled : Refusal::NotMedia;
        return result;
    }
    if (probed.data->sourceData->exist == 0) {
        result.refusal = Refusal::NoPicture;
        return result;
    }
    std::shared_ptr<SimpleData> data = probed.data;
    data->audioStreamInfos = playableAudioStreams(probed.audioStreams, &result.skippedAc3Streams);
    data->thumbImage = thumbnail(path, *data->sourceData);
    result.choices = EditorOutputChoices::fromUserDefaults();
    result.choices.applyTo(*data);
    result.data = std::move(data);
    return result;
}

EditorFileLoader::Result EditorFileLoader::open(const QString& path, EditorOpenFile& file) {
    Result result = probe(path);
    if (!result.data)
        return result;
    file.filePath = path;
    file.fileData = result.data;
    file.choices = result.choices;
    file.waterParam = result.data->waterParam->mutableCopy();
    return result;
}

void EditorFileLoader::showOutcome(QWidget* window, const Result& result, const QString& path) {
    switch (result.refusal) {
    case Refusal::NotMedia:
        SourceProbe::showRefusal(window, SourceProbe::Refusal::NotMedia, path);
        return;
    case Refusal::NoPicture:
        Alerts::showWarning(window, window ? window->windowTitle() : QString(),
                            NSBundle::localizedStringForKey("Pleaseselectedvideo'sfilestring"));
        return;
    case Refusal::None:
        showAc3Warnings(window, result.skippedAc3Streams);
        return;
    case Refusal::Cancelled:
        return;
    }
}
