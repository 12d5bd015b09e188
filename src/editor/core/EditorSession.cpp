#include "editor/core/EditorSession.h"

#include "editor/core/EditorCallbacks.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/SubtitleParam.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMicro = 1000000.0;
constexpr int32_t kSeekScale = 1000000000;

double fieldMicroseconds(double seconds) {
    return std::isfinite(seconds) && seconds > 0 ? seconds * kMicro : 0;
}

// A fraction of the duration for a bar, or none when it is not a number.
std::optional<float> fraction(double seconds, double duration) {
    const float f = float(float(seconds) / float(duration));
    if (!(duration > 0) || !std::isfinite(f))
        return std::nullopt;
    return std::clamp(f, 0.0f, 1.0f);
}

} // namespace

EditorSession::EditorSession() = default;

EditorSession::~EditorSession() = default;

EditorFileLoader::Result EditorSession::openFile(const QString& path) {
    EditorFileLoader::Result result = EditorFileLoader::open(path, file_);
    if (!result.data)
        return result;
    std::shared_ptr<SubtitleParam> style = result.data->subtitleParam->mutableCopy();
    style->subtitlePath.clear();
    state_.setSubtitle(std::move(style));
    state_.clearEffects();
    state_.setRemoveSection(false);
    state_.setTrimRange(0, 0);
    state_.clearCrop();
    state_.setAudioStreamPosition(0);
    return result;
}

void EditorSession::installCallbacks(LxMoviePlayer& player) {
    player.SetDrawTextCallback(playerDrawTextCallback);
    player.SetLoadImageCallback(playerLoadImageCallback);
}

double EditorSession::durationSeconds(const LxMoviePlayer* player) const {
    // The player's length is what the bars and the play head measure; the probe's stands in
    // when the player could not read the file.
    const double played = player ? CMTimeGetSeconds(player->duration()) : 0;
    if (std::isfinite(played) && played > 0)
        return played;
    return file_.fileData ? file_.fileData->sourceDuration() : 0;
}

EditorSession::RefreshView EditorSession::refreshPlayerView(LxMoviePlayer* player, double startFieldSeconds,
                                                            double stopFieldSeconds) {
    RefreshView view;
    if (!file_.fileData)
        return view;
    SimpleData& record = *file_.fileData;
    state_.setTrimRange(fieldMicroseconds(startFieldSeconds), fieldMicroseconds(stopFieldSeconds));
    state_.setAdjustment(0, 0, 0);
    state_.setVolume(1.0);
    state_.writeInto(record);
    state_.readFrom(record);
    file_.filePath = record.path;

    const double d = durationSeconds(player);
    view.durationSeconds = d;
    // An unset range is the whole file; so is one that does not fit in the file.
    const double dUs = d * kMicro;
    if (state_.cutTimeRange_stop() <= 0 || state_.cutTimeRange_stop() > dUs ||
        state_.cutTimeRange_start() >= state_.cutTimeRange_stop())
        state_.setTrimRange(0, dUs);
    view.startSeconds = state_.cutTimeRange_start() / kMicro;
    view.stopSeconds = state_.cutTimeRange_stop() / kMicro;
    view.isTrimFanxuan = state_.isTrimFanxuan();
    view.trimLower = fraction(view.startSeconds, d);
    view.trimUpper = fraction(view.stopSeconds, d);
    view.playHead = view.trimLower;
    view.volume = state_.volume();
    view.currentTimeText = HelpClass::returnTimeToStr(player ? CMTimeGetSeconds(player->currentTime()) : 0.0);
    view.totalTimeText = HelpClass::returnTimeToStr(d);
    for (const auto& stream : record.audioStreamInfos)
        view.audioStreamTitles << audioStreamTitle(*stream);

    if (player) {
        player->SetRotateAngle(state_.playerRotateAngle());
        player->SetHFlip(state_.hFlip());
        player->SetVFlip(state_.vFlip());
        player->SetBCS(state_.brightness(), state_.contrast(), state_.saturation());
        player->seekTime(CMTimeMakeWithSeconds(view.startSeconds, kSeekScale));
    }
    qCDebug(lcEditor) << "refreshed" << record.path << "range" << view.startSeconds << view.stopSeconds;
    return view;
}

std::optional<float> EditorSession::rewindToRangeStart(LxMoviePlayer* player) {
    if (!player)
        return std::nullopt;
    player->stop();
    const double d = durationSeconds(player);
    if (state_.cutTimeRange_stop() <= 0)
        state_.setTrimRange(0, d * kMicro);
    const double start = state_.cutTimeRange_start() / kMicro;
    player->seekTime(CMTimeMakeWithSeconds(start, kSeekScale));
    return fraction(start, d);
}

QString EditorSession::audioStreamTitle(const AudioStreamInfo& s) {
    const QString numbers = QStringLiteral("(%1 %2)").arg(s.channel).arg(s.sample);
    if (!s.title.isEmpty())
        return s.title + numbers;
    if (!s.lang.isEmpty() || !s.psect.isEmpty())
        return (s.lang + QLatin1Char(' ') + s.psect).trimmed() + numbers;
    return s.codec + numbers;
}
