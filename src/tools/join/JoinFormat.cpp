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
    const int x = title.indexOf('x');
    if (x < 0)
        return false;
    *w = profiles::leadingInt(title.left(x));
    *h = profiles::leadingInt(title.mid(x + 1));
    return *w > 0 && *h > 0;
}
} // namespace

JoinJob::Encoding JoinFormat::encoding(const SimpleData* reference) const {
    JoinJob::Encoding e;
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
    const int stereo = ch.indexOf(QStringLiteral("(Stereo)"));
    e.channels = profiles::leadingInt(stereo >= 0 ? ch.left(stereo) : ch);
    e.sampleRate = profiles::leadingInt(chosen(samplerate));
    return e;
}

QString JoinFormat::extensionFor(const SimpleData* reference, const SimpleData& first) const {
    if (!extName.isEmpty())
        return extName;
    if (reference) {
        const QString ext = OutputFileNamer::extensionOf(reference->path);
        if (!ext.isEmpty())
            return ext;
    }
    return OutputFileNamer::extensionOf(first.path);
}
