#include "editor/core/EditorProfileChoice.h"

#include "foundation/records/FileData.h"
#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "profiles/ProfileParameters.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/ProfileValueParser.h"
#include "tools/shared/OutputFileNamer.h"

#include <cmath>

namespace {

using profiles::leadingInt;

// The chosen value of a profile line; empty when it keeps the source's.
QString chosenValue(const QString& key, const QString& path) {
    const QString raw = profiles::readProfileValue(QStringLiteral("Parameter"), key, path);
    return ProfileValueParser::resultSelectItemTitleForContentStr(raw, ProfileValueParser::Style::Browser)
        .value_or(QString());
}

double decimalOf(const QString& text) {
    const double v = text.trimmed().section(QLatin1Char(' '), 0, 0).toDouble();
    return std::isfinite(v) && v > 0 && v < 1000 ? v : 0;
}

int channelsOf(const QString& title) {
    return EditorOutputChoices::channelsOf(title);
}

// width x height of a resolution title; a missing or 0 part takes the source's.
void writeFrameSize(const QString& title, const FileData& source, FileData& target) {
    const QStringList parts = title.split(QLatin1Char('x'));
    const int w = leadingInt(parts.first()), h = leadingInt(parts.last());
    target.width = w > 0 ? w : source.width;
    target.height = h > 0 ? h : source.height;
}

void writeSize(const SimpleData& record) {
    FileData& t = *record.targetData;
    t.fileSize =
        float(std::floor(double(record.sourceData->duration) * (double(t.bitrate) + t.a_bitrate) * 0.125));
}

QString stored(const char* key) {
    return UserDefaults::standardUserDefaults().stringForKey(QString::fromLatin1(key));
}

void store(const QString& value, const QString& key) {
    UserDefaults& d = UserDefaults::standardUserDefaults();
    if (EditorOutputChoices::keepsSource(value))
        d.removeObjectForKey(key);
    else
        d.setObject(value, key);
}

void writeTarget(const EditorOutputChoices& c, bool picture, SimpleData& record) {
    const FileData& s = *record.sourceData;
    FileData& t = *record.targetData;
    if (picture) {
        writeFrameSize(c.resolution, s, t);
        t.fps = decimalOf(c.framerate);
        const int kbps = leadingInt(c.bitrate);
        t.bitrate = kbps > 0 ? kbps : s.bitrate;
        t.metadata_vcodec = EditorOutputChoices::keepsSource(c.vcodec) ? s.metadata_vcodec : c.vcodec;
    }
    t.extension = EditorOutputChoices::keepsSource(c.extName) ? s.extension : c.extName;
    t.a_codec = EditorOutputChoices::keepsSource(c.acodec) ? s.a_codec : c.acodec;
    const int channels = EditorOutputChoices::keepsSource(c.achannel) ? 0 : channelsOf(c.achannel);
    t.a_channel = channels > 0 ? channels : s.a_channel;
    const int akbps = leadingInt(c.abitrate);
    t.a_bitrate = akbps > 0 ? akbps : s.a_bitrate;
    writeSize(record);
}

} // namespace

void EditorProfileChoice::choose(const QString& category, const QString& item, const QString& path,
                                 EditorOutputChoices& c, SimpleData* record) {
    const bool audioOnly = category == ProfileSet::kAudioCategory;
    if (item == ProfileSet::kKeepOriginal || item.isEmpty()) {
        // Every value keeps the source's; no profile file is read for it.
        c = EditorOutputChoices();
    } else {
        if (!audioOnly) {
            c.vcodec = chosenValue("vcodec", path);
            c.resolution = chosenValue("s", path);
            c.framerate = chosenValue("r", path);
            c.bitrate = chosenValue("b", path);
        }
        c.extName = profiles::readProfileValue(QStringLiteral("Main"), QStringLiteral("ExtName"), path)
                        .remove(QLatin1Char('\t'))
                        .trimmed();
        c.acodec = chosenValue("acodec", path);
        c.achannel = chosenValue("ac", path);
        c.asamplerate = chosenValue("ar", path);
        c.abitrate = chosenValue("ab", path);
    }
    if (record) {
        writeTarget(c, !audioOnly, *record);
        // A sound profile that keeps the source's format keeps its sound alone: in a sound file
        // of its codec's kind rather than the source's container, which would bring the picture.
        // (No tile chosen keeps the source's container.)
        if (audioOnly && !item.isEmpty() && EditorOutputChoices::keepsSource(c.extName))
            record->targetData->extension = OutputFileNamer::soundExtensionFor(record->sourceData->a_codec);
    }
    store(c.extName, profiles::extensionKey(false));
    const QString values[] = {c.vcodec, c.resolution, c.framerate,   c.bitrate,
                              c.acodec, c.achannel,   c.asamplerate, c.abitrate};
    for (size_t i = 0; i < profiles::kParameters.size(); ++i)
        store(values[i], profiles::kParameters[i].defaultsKey(false));
}

void EditorProfileChoice::settingChanged(long mask, EditorOutputChoices& c, SimpleData& record) {
    const FileData& s = *record.sourceData;
    FileData& t = *record.targetData;
    switch (mask) {
    case profiles::kMaskVideoCodec:
        c.vcodec = stored("vcodec_SelectTitle");
        break;
    case profiles::kMaskFrameSize: {
        UserDefaults& d = UserDefaults::standardUserDefaults();
        c.resolution = stored("resolution_SelectTitle");
        if (c.resolution != profiles::kCustomTitle) {
            d.removeObjectForKey(profiles::kCustomWidthKey);
            d.removeObjectForKey(profiles::kCustomHeightKey);
        } else {
            const long long w = d.integerForKey(profiles::kCustomWidthKey);
            const long long h = d.integerForKey(profiles::kCustomHeightKey);
            const int width = w > 0 && w <= 16384 ? int(w) : t.width;
            const int height = h > 0 && h <= 16384 ? int(h) : t.height;
            c.resolution = QStringLiteral("%1x%2").arg(width).arg(height);
        }
        writeFrameSize(c.resolution, s, t);
        break;
    }
    case profiles::kMaskFrameRate:
        c.framerate = stored("framerate_SelectTitle");
        if (decimalOf(c.framerate) > 0)
            t.fps = decimalOf(c.framerate);
        break;
    case profiles::kMaskVideoBitRate:
    case profiles::kMaskAudioBitRate:
        c.bitrate = stored("bitate_SelectTitle");
        c.abitrate = stored("abitate_SelectTitle");
        if (leadingInt(c.bitrate) > 0) {
            if (mask == profiles::kMaskVideoBitRate)
                t.bitrate = leadingInt(c.bitrate);
            else
                t.a_bitrate = std::max(0, leadingInt(c.abitrate));
        }
        writeSize(record);
        break;
    case profiles::kMaskAudioCodec:
        c.acodec = stored("acodec_SelectTitle");
        t.a_codec = EditorOutputChoices::keepsSource(c.acodec) ? s.a_codec : c.acodec;
        break;
    case profiles::kMaskChannels: {
        c.achannel = stored("achannel_SelectTitle");
        const int n = EditorOutputChoices::keepsSource(c.achannel) ? 0 : channelsOf(c.achannel);
        t.a_channel = n > 0 ? n : s.a_channel;
        break;
    }
    case profiles::kMaskSampleRate:
        c.asamplerate = stored("asamplerate_SelectTitle");
        t.a_samplerate = leadingInt(c.abitrate) != 0 && leadingInt(c.asamplerate) > 0
                             ? leadingInt(c.asamplerate)
                             : s.a_samplerate;
        break;
    default:
        break;
    }
}

void EditorProfileChoice::settingsRestored(EditorOutputChoices& c, SimpleData& record) {
    for (long mask : {profiles::kMaskVideoCodec, profiles::kMaskFrameSize, profiles::kMaskFrameRate,
                      profiles::kMaskVideoBitRate, profiles::kMaskAudioCodec, profiles::kMaskChannels,
                      profiles::kMaskSampleRate, profiles::kMaskAudioBitRate})
        settingChanged(mask, c, record);
    writeSize(record);
}
