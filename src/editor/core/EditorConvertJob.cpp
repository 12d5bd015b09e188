#include "editor/core/EditorConvertJob.h"

#include "editor/music/MusicPlacement.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/MusicInfo.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"
#include "mediacore/MediaCore.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int leadingInt(const QString& text) {
    return EditorOutputChoices::leadingCount(text);
}

bool keeps(const QString& value) {
    return EditorOutputChoices::keepsSource(value);
}

int64_t toUs(double seconds) {
    return std::isfinite(seconds) ? int64_t(seconds * 1000000.0) : 0;
}

int channelsOf(const QString& title) {
    return keeps(title) ? 0 : EditorOutputChoices::channelsOf(title);
}

} // namespace

std::pair<int, int> EditorConvertJob::chosenFrameSize(const Settings& s) {
    const QString& title = s.choices.resolution;
    if (s.record->keepAspectratio || keeps(title))
        return {0, 0};
    int w = 0, h = 0;
    if (title == QLatin1String("Custom")) {
        w = s.customWidth > 0 ? s.customWidth : s.record->targetData->width;
        h = s.customHeight > 0 ? s.customHeight : s.record->targetData->height;
    } else {
        const QStringList parts = title.split(QLatin1Char('x'));
        w = leadingInt(parts.first());
        h = leadingInt(parts.last());
    }
    return w > 0 && h > 0 ? std::pair{w, h} : std::pair{0, 0};
}

double EditorConvertJob::mainAudioVolume(const Settings& s) {
    const double v = s.record->volume * std::clamp(s.originalSoundLevel, 0.0, 1.0);
    return std::isfinite(v) ? std::clamp(v, 0.0, 2.0) : 1.0;
}

bool EditorConvertJob::isPlainCut(const Settings& s) {
    const SimpleData& r = *s.record;
    const EditorOutputChoices& c = s.choices;
    const bool formatKept = keeps(c.vcodec) && chosenFrameSize(s) == std::pair{0, 0} && keeps(c.framerate) &&
                            keeps(c.bitrate) && keeps(c.acodec) && keeps(c.achannel) &&
                            keeps(c.asamplerate) && keeps(c.abitrate);
    const RECT& m = r.convertCropSize;
    const bool pictureKept = r.brightness == 0 && r.contrast == 0 && r.saturation == 0 &&
                             r.effectTypes.empty() && m.left == 0 && m.top == 0 && m.right == 0 &&
                             m.bottom == 0 && r.hFlip == 0 && r.vFlip == 0 && r.convertRateAngle % 360 == 0 &&
                             r.subtitleParam->subtitlePath.isEmpty() && s.watermarks.empty();
    const bool soundKept = mainAudioVolume(s) == 1.0 && s.music.empty() && !s.removeOriginalSound;
    return formatKept && pictureKept && soundKept;
}

std::unique_ptr<EngineConvert> EditorConvertJob::create(const Settings& s, Range range, const QString& output,
                                                        int* error, Refused* refused) {
    Refused dummy = Refused::None;
    refused = refused ? refused : &dummy;
    *refused = Refused::Input;
    *error = 0;
    // From here on the object owns the handle, so every early return closes it.
    std::unique_ptr<EngineConvert> job = EngineConvert::create();
    if (!job)
        return nullptr;
    void* h = job->handle();
    int r = job->setInput(s.record->path);
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    const bool plain = isPlainCut(s);
    setFormat(h, s);
    r = setSoundAndOverlays(h, s, refused);
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    *refused = Refused::Range;
    r = setPicture(h, s, range, plain);
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    *refused = Refused::Music;
    r = addMusic(h, s);
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    *refused = Refused::Output;
    qCDebug(lcEditor) << "export pass" << (plain ? "(plain cut)" : "");
    r = job->setOutput(output);
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    *refused = Refused::None;
    return job;
}

// The output format: each value the stored format keeps is left to the source.
void EditorConvertJob::setFormat(void* h, const Settings& s) {
    const EditorOutputChoices& c = s.choices;
    if (!keeps(c.vcodec))
        apiMediaConvertSetVcodec(h, c.vcodec.trimmed().toUtf8().constData());
    const auto [w, hgt] = chosenFrameSize(s);
    if (w > 0 && hgt > 0)
        apiMediaConvertSetVideoFrameSize(h, w, hgt);
    if (!keeps(c.bitrate) && leadingInt(c.bitrate) > 0)
        apiMediaConvertSetVideoBitrate(h, leadingInt(c.bitrate));
    // A frame rate of 1000 or more is no frame rate a user chose.
    if (const double fps = EditorOutputChoices::leadingDecimal(c.framerate);
        !keeps(c.framerate) && fps > 0 && fps < 1000)
        apiMediaConvertSetVideoFps(h, fps);
    if (!keeps(c.acodec))
        apiMediaConvertSetAcodec(h, c.acodec.trimmed().toUtf8().constData());
    if (!keeps(c.abitrate) && leadingInt(c.abitrate) > 0)
        apiMediaConvertSetAudioBitrate(h, leadingInt(c.abitrate));
    const int channels = channelsOf(c.achannel);
    const int rate = keeps(c.asamplerate) ? 0 : leadingInt(c.asamplerate);
    if (channels != 0 || rate != 0)
        apiMediaConvertSetAudioEncodeContext(h, channels, rate);
}

// The sound stream and level, the subtitle and the effects. A subtitle or an effect the
// engine refuses fails the set-up, so an export never leaves out what the user asked for.
int EditorConvertJob::setSoundAndOverlays(void* h, const Settings& s, Refused* refused) {
    const SimpleData& rec = *s.record;
    // Without a list of the file's sound streams there is no stream to choose; the engine
    // then takes the file's first.
    const auto& streams = rec.audioStreamInfos;
    if (!streams.empty()) {
        const size_t i =
            size_t(std::clamp<qsizetype>(s.audioStreamPosition, 0, qsizetype(streams.size()) - 1));
        apiMediaConvertSetAudioIndex(h, streams[i]->index);
    }
    apiMediaConvertSetMaineAudioVolume(h, mainAudioVolume(s));

    const SubtitleParam& sub = *rec.subtitleParam;
    if (!sub.subtitlePath.isEmpty()) {
        const SUBTITLE_PARAM p = overlays::subtitleRecord(sub);
        const int r = apiMediaConvertSetSubtitle(h, p);
        if (r < 1) {
            qCWarning(lcEditor) << "subtitle refused:" << sub.subtitlePath << r;
            *refused = Refused::Subtitle;
            return r;
        }
    }
    for (const int effect : rec.effectTypes) {
        const int r = apiMediaConvertAddImageEffect(h, effect);
        if (r < 1) {
            qCWarning(lcEditor) << "effect refused:" << effect << r;
            *refused = Refused::Effect;
            return r;
        }
    }
    if (const int r = overlays::addToConvert(h, s.watermarks); r < 1) {
        qCWarning(lcEditor) << "watermark refused:" << r;
        *refused = Refused::Watermark;
        return r;
    }
    return 1;
}

// Picture adjustment, the cut, crop, mirrors and rotation. A plain cut makes no turn of its
// own: the copied picture keeps the file's display rotation, and the engine may copy it.
int EditorConvertJob::setPicture(void* h, const Settings& s, Range range, bool plain) {
    const SimpleData& rec = *s.record;
    apiMediaConvertAdjustBCS(h, rec.brightness, rec.contrast, rec.saturation);
    // An end of 0 runs to the end of the file. A refused range fails the set-up: the whole
    // file in its place would be a wrong result that looks like a finished export.
    if (range.endUs > 0 || range.startUs > 0) {
        const int64_t end = range.endUs > 0 ? range.endUs : std::numeric_limits<int64_t>::max() / 4;
        const int r = apiMediaConvertSetCutTime(h, std::max<int64_t>(0, range.startUs), end);
        if (r < 1) {
            qCWarning(lcEditor) << "cut range refused:" << range.startUs << end << r;
            return r;
        }
    }
    const RECT& m = rec.convertCropSize;
    if (m.left != 0 || m.top != 0 || m.right != 0 || m.bottom != 0)
        apiMediaConvertSetCropSize(h, m);
    apiMediaConvertHFlipStatus(h, rec.hFlip);
    apiMediaConvertVFlipStatus(h, rec.vFlip);
    if (!plain)
        apiMediaConvertSetRotateAngle(h, rec.convertRateAngle + rec.sourceData->angle);
    return 1;
}

// The background tracks, each in its slot on the file's time line; then, when chosen, the
// file's own sound is left out. The last engine result, or 1 when there is nothing to add.
int EditorConvertJob::addMusic(void* h, const Settings& s) {
    int result = 1;
    for (const auto& m : s.music) {
        const MusicPlacement p = musicPlacement(*m);
        result = apiMediaConvertAddDubbingMusic(h, m->path.toUtf8().constData(), toUs(p.musicStart),
                                                toUs(p.musicEnd), toUs(p.slotStart), toUs(p.slotEnd),
                                                p.volume, toUs(p.fadeIn), toUs(p.fadeOut));
        if (result < 0) {
            qCWarning(lcEditor) << "music refused:" << m->path << result;
            break;
        }
    }
    if (s.removeOriginalSound)
        apiMediaConvertDisableMainAudio(h);
    return result;
}
