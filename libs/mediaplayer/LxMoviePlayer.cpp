#include "mediaplayer/LxMoviePlayer.h"

#include "OverlayCheck.h"
#include "PlayerCore.h"
#include "PlayerLog.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/avutil.h>
}

namespace {

int64_t toUs(CMTime t) {
    const double s = CMTimeGetSeconds(t);
    if (!std::isfinite(s))
        return 0;
    return int64_t(std::llround(std::clamp(s, -1e9, 1e9) * 1e6));
}

CMTime fromUs(int64_t us) {
    return CMTimeMake(us, 1000000);
}

int quarterTurns(int degrees) {
    return ((degrees % 360) + 360) % 360;
}

} // namespace

LxMoviePlayer::LxMoviePlayer(const QString& path, const QRect& frame)
    : core_(std::make_unique<PlayerCore>(path, frame)) {}

LxMoviePlayer::~LxMoviePlayer() = default;

bool LxMoviePlayer::isOpen() const {
    return core_->isOpen();
}
QString LxMoviePlayer::errorString() const {
    return core_->errorString();
}
QWidget* LxMoviePlayer::view() const {
    return core_->view();
}
void LxMoviePlayer::setPlayerDidEndBlock(std::function<void()> block) {
    core_->setDidEnd(std::move(block));
}

void LxMoviePlayer::setPlayerDidMoveOntoIndexLineBlock(std::function<void()> block) {
    core_->setMovedOntoIndexLine(std::move(block));
}
CMTime LxMoviePlayer::timeOnIndexLine(CMTime storedTime) const {
    return fromUs(core_->indexLineUs(toUs(storedTime)));
}

bool LxMoviePlayer::isShownByStoredTimes() const {
    return core_->shownByStoredTimes();
}

bool LxMoviePlayer::isIndexHeld() const {
    return core_->indexHeld();
}

void LxMoviePlayer::play() {
    core_->play();
}
void LxMoviePlayer::pause() {
    core_->pause();
}
void LxMoviePlayer::stop() {
    core_->stop();
}
void LxMoviePlayer::closePlayer() {
    core_->close();
}
int LxMoviePlayer::playerStatus() const {
    return core_->status();
}

void LxMoviePlayer::seekTime(CMTime time) {
    core_->seekUs(toUs(time));
}
CMTime LxMoviePlayer::duration() const {
    return fromUs(core_->durationUs());
}
CMTime LxMoviePlayer::currentTime() const {
    return fromUs(core_->positionUs());
}

void LxMoviePlayer::Refresh() {
    core_->refresh();
}
int LxMoviePlayer::Snapshot(int* w, int* h, unsigned char* buff) {
    return core_->snapshot(w, h, buff);
}
void LxMoviePlayer::SnapshotWhenReady(int w, int h, std::function<void(QImage)> done) {
    core_->snapshotWhenReady(w, h, std::move(done));
}

void LxMoviePlayer::SetVolume(double volume) {
    if (!std::isfinite(volume))
        return;
    core_->editSound([&](PreviewSettings& s) { s.fx.volume = std::clamp(volume, 0.0, 2.0); });
}
void LxMoviePlayer::SetAudioIndex(int streamIndex) {
    core_->setAudioIndex(streamIndex);
}
void LxMoviePlayer::DisableMainAudio(bool disable) {
    core_->editSound([&](PreviewSettings& s) { s.fx.mainAudioDisabled = disable; });
}
void LxMoviePlayer::SetMainAudioVolume(double volume) {
    if (!std::isfinite(volume))
        return;
    core_->editSound([&](PreviewSettings& s) { s.mainVolume = std::clamp(volume, 0.0, 1.0); });
}
void LxMoviePlayer::ClearDubbingMusic() {
    core_->editSound([](PreviewSettings& s) { s.fx.music.clear(); });
}
int LxMoviePlayer::AddDubbingMusic(const char* path, CMTime start, CMTime end, CMTime timelineStart,
                                   CMTime timelineEnd, CMTime fadeIn, CMTime fadeOut, double factor) {
    if (!path || !std::isfinite(factor))
        return 0;
    mediafx::MusicTrack t;
    t.path = path;
    t.musicStartUs = std::max<int64_t>(0, toUs(start));
    t.musicEndUs = toUs(end);
    t.videoStartUs = std::max<int64_t>(0, toUs(timelineStart));
    t.videoEndUs = toUs(timelineEnd);
    t.fadeInUs = std::max<int64_t>(0, toUs(fadeIn));
    t.fadeOutUs = std::max<int64_t>(0, toUs(fadeOut));
    t.volume = std::clamp(factor, 0.0, 2.0);
    if (t.musicEndUs <= t.musicStartUs || t.videoEndUs <= t.videoStartUs ||
        !overlaycheck::hasStream(t.path, AVMEDIA_TYPE_AUDIO)) {
        player::logWarning("music track refused: %s", qUtf8Printable(path));
        return 0;
    }
    core_->editSound([&](PreviewSettings& s) { s.fx.music.push_back(t); });
    return 1;
}

void LxMoviePlayer::SetRotateAngle(int degrees) {
    core_->editPicture([&](PreviewSettings& s) { s.fx.rotation = quarterTurns(degrees); });
}
void LxMoviePlayer::SetHFlip(int on) {
    core_->editPicture([&](PreviewSettings& s) { s.fx.hflip = on != 0; });
}
void LxMoviePlayer::SetVFlip(int on) {
    core_->editPicture([&](PreviewSettings& s) { s.fx.vflip = on != 0; });
}
void LxMoviePlayer::SetBCS(int brightness, int contrast, int saturation) {
    core_->editPicture([&](PreviewSettings& s) {
        s.fx.brightness = brightness;
        s.fx.contrast = contrast;
        s.fx.saturation = saturation;
    });
}
void LxMoviePlayer::ClearImageEffect() {
    core_->editPicture([](PreviewSettings& s) { s.fx.effects.clear(); });
}
void LxMoviePlayer::AddImageEffect(int effectId) {
    core_->editPicture([&](PreviewSettings& s) { s.fx.effects.push_back(effectId); });
}

void LxMoviePlayer::ClearWatermask() {
    core_->editPicture([](PreviewSettings& s) {
        s.fx.imageMarks.clear();
        s.fx.videoMarks.clear();
        s.fx.textMarks.clear();
    });
}
int LxMoviePlayer::AddImageWatermask(IMAGE_WATERMARK_PARAM param) {
    if (!overlaycheck::imageMark(param, core_->settings().loadImage)) {
        player::logWarning("picture watermark refused: %s", mediarecords::readText(param.path).c_str());
        return 0;
    }
    core_->editPicture([&](PreviewSettings& s) { s.fx.imageMarks.push_back(param); });
    return 1;
}
int LxMoviePlayer::AddVideoWatermask(VIDEO_WATERMARK_PARAM param) {
    if (!overlaycheck::videoMark(param)) {
        player::logWarning("video watermark refused: %s", mediarecords::readText(param.path).c_str());
        return 0;
    }
    core_->editPicture([&](PreviewSettings& s) { s.fx.videoMarks.push_back(param); });
    return 1;
}
int LxMoviePlayer::AddTextWatermask(TEXT_WATERMARK_PARAM param) {
    if (!overlaycheck::textMark(param, core_->settings().drawText)) {
        player::logWarning("text watermark refused (no text or no drawing callback)");
        return 0;
    }
    core_->editPicture([&](PreviewSettings& s) { s.fx.textMarks.push_back(param); });
    return 1;
}

void LxMoviePlayer::SetSubtitle(SUBTITLE_PARAM param) {
    core_->editPicture([&](PreviewSettings& s) { s.fx.subtitle = param; });
}
void LxMoviePlayer::UpdateSubtitleFontFile(const char* fontFile) {
    core_->editPicture([&](PreviewSettings& s) {
        mediarecords::writeText(s.fx.subtitle.fontFile, fontFile ? fontFile : "");
    });
}
void LxMoviePlayer::UpdateSubtitlePos(int position) {
    core_->editPicture([&](PreviewSettings& s) { s.fx.subtitle.position = position; });
}
void LxMoviePlayer::UpdateSubtitleFontClr(uint32_t fontColor, int shadow, uint32_t shadowColor) {
    core_->editPicture([&](PreviewSettings& s) {
        s.fx.subtitle.fontColor = fontColor;
        s.fx.subtitle.shadow = shadow ? 1 : 0;
        s.fx.subtitle.shadowColor = shadowColor;
    });
}

void LxMoviePlayer::SetDrawTextCallback(DRAW_TEXT_CALLBACK callback) {
    core_->editPicture([&](PreviewSettings& s) { s.drawText = callback; });
}
void LxMoviePlayer::SetLoadImageCallback(LOAD_IMAGE_CALLBACK callback) {
    core_->editPicture([&](PreviewSettings& s) { s.loadImage = callback; });
}
