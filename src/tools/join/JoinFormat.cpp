#include "tools/join/JoinFormat.h"

#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "profiles/ProfileParameters.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileValueParser.h"
#include "tools/shared/OutputFileNamer.h"

#include <array>

QString JoinFormat::chosen(const QString& title) {
    QString t = title;
    t.remove('"');
    return t.trimmed();
}

JoinFormat JoinFormat::fromProfile(const QString& path) {
    JoinFormat f;
    if (path.isEmpty())
        return f;
    // Quotes around the extension are not part of it.
    f.extName = chosen(profiles::readProfileValue(QStringLiteral("Main"), QStringLiteral("ExtName"), path));
    QString* fields[] = {&f.vcodec, &f.resolution, &f.framerate,  &f.bitrate,
                         &f.acodec, &f.channels,   &f.samplerate, &f.abitrate};
    for (size_t i = 0; i < profiles::kParameters.size(); ++i) {
        const QString value = profiles::readProfileValue(
            QStringLiteral("Parameter"), QString::fromLatin1(profiles::kParameters[i].profileKey), path);
        const auto title =
            ProfileValueParser::resultSelectItemTitleForContentStr(value, ProfileValueParser::Style::Browser);
        *fields[i] = title ? chosen(*title) : QString();
    }
    return f;
}

namespace {
std::array<QString JoinFormat::*, 8> parameterFields() {
    return {&JoinFormat::vcodec, &JoinFormat::resolution, &JoinFormat::framerate,  &JoinFormat::bitrate,
            &JoinFormat::acodec, &JoinFormat::channels,   &JoinFormat::samplerate, &JoinFormat::abitrate};
}
} // namespace

JoinFormat JoinFormat::fromDefaults() {
    const UserDefaults& defaults = UserDefaults::standardUserDefaults();
    JoinFormat f;
    f.extName = chosen(defaults.stringForKey(profiles::extensionKey(true)));
    const auto fields = parameterFields();
    for (size_t i = 0; i < fields.size(); ++i)
        f.*fields[i] = chosen(defaults.stringForKey(profiles::kParameters[i].defaultsKey(true)));
    return f;
}

void JoinFormat::storeInDefaults() const {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    auto store = [&defaults](const QString& value, const QString& key) {
        defaults.setObject(value.isEmpty() ? QStringLiteral(" ") : value, key);
    };
    store(extName, profiles::extensionKey(true));
    const auto fields = parameterFields();
    for (size_t i = 0; i < fields.size(); ++i)
        store(this->*fields[i], profiles::kParameters[i].defaultsKey(true));
}

namespace {
bool sizeOf(const QString& title, int* w, int* h) {
    const qsizetype x = title.indexOf('x');
    if (x < 0)
        return false;
    *w = profiles::leadingInt(title.left(x));
    *h = profiles::leadingInt(title.mid(x + 1));
    return *w > 0 && *h > 0;
}
} // namespace

EngineJoin::Encoding JoinFormat::encoding(const SimpleData* reference) const {
    EngineJoin::Encoding e;
    e.videoCodec = chosen(vcodec);
    e.audioCodec = chosen(acodec);
    const QString res = chosen(resolution);
    const UserDefaults& settings = UserDefaults::standardUserDefaults();
    if (reference && (reference->keepAspectratio || res.isEmpty() || res == profiles::kCustomTitle)) {
        e.width = reference->targetData->width;
        e.height = reference->targetData->height;
        if (res == profiles::kCustomTitle && !reference->keepAspectratio) {
            const int w = profiles::leadingInt(settings.stringForKey(profiles::kCustomWidthKey));
            const int h = profiles::leadingInt(settings.stringForKey(profiles::kCustomHeightKey));
            if (w > 0)
                e.width = w;
            if (h > 0)
                e.height = h;
        }
        const int a = reference->convertRateAngle;
        if (a == 90 || a == 270 || a == -90 || a == -270)
            std::swap(e.width, e.height);
    } else if (!res.isEmpty() && res != profiles::kCustomTitle) {
        if (!sizeOf(res, &e.width, &e.height))
            e.width = e.height = 0;
    }
    const QString b = chosen(bitrate);
    if (b.isEmpty() || b == profiles::kCustomTitle) {
        e.videoKbps = reference ? int(reference->targetData->bitrate) : 0;
        if (b == profiles::kCustomTitle) {
            const int v = profiles::leadingInt(settings.stringForKey(profiles::kCustomBitRateKey));
            if (v > 0)
                e.videoKbps = v;
        }
    } else {
        e.videoKbps = profiles::leadingInt(b);
    }
    bool ok = false;
    const double fps = chosen(framerate).toDouble(&ok);
    e.fps = ok && fps > 0 ? fps : 0;
    e.audioKbps = profiles::leadingInt(chosen(abitrate));
    const QString ch = chosen(channels);
    const qsizetype stereo = ch.indexOf(QStringLiteral("(Stereo)"));
    e.channels = profiles::leadingInt(stereo >= 0 ? ch.left(stereo) : ch);
    e.sampleRate = profiles::leadingInt(chosen(samplerate));
    return e;
}

QString JoinFormat::extensionFor(const SimpleData* reference, const SimpleData& first, bool soundOnly) const {
    if (!extName.isEmpty())
        return extName;
    if (soundOnly)
        return OutputFileNamer::soundExtensionFor((reference ? reference : &first)->sourceData->a_codec);
    if (reference) {
        QString ext = OutputFileNamer::extensionOf(reference->path);
        if (!ext.isEmpty())
            return ext;
    }
    return OutputFileNamer::extensionOf(first.path);
}

JoinFormat JoinFormat::ofSource(const SimpleData& clip) {
    const FileData& src = *clip.sourceData;
    JoinFormat f;
    f.extName = OutputFileNamer::extensionOf(clip.path);
    if (f.extName.isEmpty())
        f.extName = src.extension;
    auto number = [](double v) { return v > 0 ? QString::number(v) : QString(); };
    if (src.width > 0 && src.height > 0) {
        f.vcodec = src.metadata_vcodec;
        f.resolution = QString("%1x%2").arg(src.width).arg(src.height);
        f.bitrate = number(src.bitrate);
        // The exact rate: 29.97 stays 29.97.
        f.framerate = number(src.fps);
    }
    if (src.a_exist || !src.a_codec.isEmpty()) {
        f.acodec = src.a_codec;
        f.abitrate = number(src.a_bitrate);
        f.channels = number(src.a_channel);
        f.samplerate = number(src.a_samplerate);
    }
    return f;
}

void JoinFormat::applyToTarget(SimpleData& clip, bool withVideo) const {
    const FileData& src = *clip.sourceData;
    FileData& t = *clip.targetData;
    auto orSource = [](int value, int source) { return value > 0 ? value : source; };
    auto textOrSource = [](const QString& value, const QString& source) {
        return chosen(value).isEmpty() ? source : chosen(value);
    };
    if (withVideo) {
        bool ok = false;
        const double fps = chosen(framerate).toDouble(&ok);
        t.fps = ok && fps > 0 ? fps : src.fps;
        int w = 0, h = 0;
        sizeOf(chosen(resolution), &w, &h);
        t.width = orSource(w, src.width);
        t.height = orSource(h, src.height);
        t.bitrate = orSource(profiles::leadingInt(chosen(bitrate)), src.bitrate);
        t.metadata_vcodec = textOrSource(vcodec, src.metadata_vcodec);
    }
    t.extension = textOrSource(extName, src.extension);
    t.a_codec = textOrSource(acodec, src.a_codec);
    const QString ch = chosen(channels);
    const qsizetype stereo = ch.indexOf(QStringLiteral("(Stereo)"));
    t.a_channel = orSource(profiles::leadingInt(stereo >= 0 ? ch.left(stereo) : ch), src.a_channel);
    t.a_samplerate = orSource(profiles::leadingInt(chosen(samplerate)), src.a_samplerate);
    t.a_bitrate = orSource(profiles::leadingInt(chosen(abitrate)), src.a_bitrate);
    t.duration = src.duration;
    t.fileSize = float(double(src.duration) * (t.a_bitrate + t.bitrate) * 0.125 / 1000.0);
}
