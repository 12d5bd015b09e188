#include "editor/core/EditorConvertJob.h"

#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"
#include "mediacore/MediaCore.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Handle = decltype(apiMediaConvertCreate());
Handle handleOf(void* h) {
    return static_cast<Handle>(h);
}

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

// The level of the file's own sound: the adjust panel's volume under the music panel's level.
double mainVolume(double volume, double originalLevel) {
    const double v = volume * std::clamp(originalLevel, 0.0, 1.0);
    return std::isfinite(v) ? std::clamp(v, 0.0, 2.0) : 1.0;
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
    return mainVolume(s.record->volume, s.originalSoundLevel);
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
    r = applyRecipe(h, s, range, plain, refused);
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
void EditorConvertJob::setFormat(void* job, const Settings& s) {
    Handle h = handleOf(job);
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

// The engine's side of a recipe: each call one engine setter on the pass's handle.
class EditorConvertJob::Receiver : public EditReceiver {
public:
    Receiver(Handle h, const SimpleData& record, bool plain) : h_(h), record_(record), plain_(plain) {}

    void sound(int stream, double volume, double originalLevel, bool removeOriginal) override {
        if (stream >= 0)
            apiMediaConvertSetAudioIndex(h_, stream);
        apiMediaConvertSetMaineAudioVolume(h_, mainVolume(volume, originalLevel));
        if (removeOriginal)
            apiMediaConvertDisableMainAudio(h_);
    }
    int subtitle(const SUBTITLE_PARAM* p) override {
        const int r = p ? apiMediaConvertSetSubtitle(h_, *p) : 1;
        if (r < 1)
            qCWarning(lcEditor) << "subtitle refused:" << p->path << r;
        return r;
    }
    int effects(const std::vector<int>& ids) override {
        for (const int effect : ids) {
            if (const int r = apiMediaConvertAddImageEffect(h_, effect); r < 1) {
                qCWarning(lcEditor) << "effect refused:" << effect << r;
                return r;
            }
        }
        return 1;
    }
    void adjust(int b, int c, int s) override { apiMediaConvertAdjustBCS(h_, b, c, s); }
    // An end of 0 runs to the end of the file. A refused range fails the set-up: the whole
    // file in its place would be a wrong result that looks like a finished export.
    int range(int64_t startUs, int64_t stopUs) override {
        if (stopUs <= 0 && startUs <= 0)
            return 1;
        const int64_t end = stopUs > 0 ? stopUs : std::numeric_limits<int64_t>::max() / 4;
        const int r = apiMediaConvertSetCutTime(h_, std::max<int64_t>(0, startUs), end);
        if (r < 1)
            qCWarning(lcEditor) << "cut range refused:" << startUs << end << r;
        return r;
    }
    void crop(const RECT& m) override {
        if (m.left != 0 || m.top != 0 || m.right != 0 || m.bottom != 0)
            apiMediaConvertSetCropSize(h_, m);
    }
    // A plain cut makes no turn of its own: the copied picture keeps the file's display
    // rotation, and the engine may copy it. Otherwise the engine turns by the file's own
    // rotation and the user's together.
    void turn(int angle, int hFlip, int vFlip) override {
        apiMediaConvertHFlipStatus(h_, hFlip);
        apiMediaConvertVFlipStatus(h_, vFlip);
        if (!plain_)
            apiMediaConvertSetRotateAngle(h_, angle + record_.sourceData->angle);
    }
    int marks(const overlays::MarkRecords& records) override {
        const int r = overlays::addToConvert(h_, records);
        if (r < 1)
            qCWarning(lcEditor) << "watermark refused:" << r;
        return r;
    }
    // Each track in its slot on the file's time line. The last engine result, or 1 when there
    // is nothing to add.
    int music(const std::vector<MusicTrack>& tracks) override {
        int result = 1;
        for (const MusicTrack& m : tracks) {
            const MusicPlacement& p = m.placement;
            result = apiMediaConvertAddDubbingMusic(h_, m.path.toUtf8().constData(), toUs(p.musicStart),
                                                    toUs(p.musicEnd), toUs(p.slotStart), toUs(p.slotEnd),
                                                    p.volume, toUs(p.fadeIn), toUs(p.fadeOut));
            if (result < 1) {
                qCWarning(lcEditor) << "music refused:" << m.path << result;
                return result;
            }
        }
        return result;
    }

private:
    Handle h_;
    const SimpleData& record_;
    bool plain_;
};

EditRecipe EditorConvertJob::recipe(const Settings& s) {
    EditRecipe e = EditRecipe::fromRecord(*s.record, s.audioStreamPosition, EditRecipe::Purpose::Export);
    e.marks = s.watermarks;
    e.originalSoundLevel = s.originalSoundLevel;
    e.removeOriginalSound = s.removeOriginalSound;
    e.music = s.music;
    return e;
}

int EditorConvertJob::applyRecipe(void* job, const Settings& s, Range range, bool plain, Refused* refused) {
    Receiver receiver(handleOf(job), *s.record, plain);
    int result = 1;
    switch (editapply::applyToConvert(recipe(s), range.startUs, range.endUs, receiver, &result)) {
    case editapply::Refused::None:
        return 1;
    case editapply::Refused::Subtitle:
        *refused = Refused::Subtitle;
        break;
    case editapply::Refused::Effect:
        *refused = Refused::Effect;
        break;
    case editapply::Refused::Range:
        *refused = Refused::Range;
        break;
    case editapply::Refused::Watermark:
        *refused = Refused::Watermark;
        break;
    case editapply::Refused::Music:
        *refused = Refused::Music;
        break;
    }
    return result;
}
