#include "editor/core/EditorOutputChoices.h"

#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "profiles/ProfileParameters.h"

#include <algorithm>
#include <cmath>

namespace {

int orSource(long long chosen, int source) {
    return chosen > 0 ? int(chosen) : source;
}

} // namespace

bool EditorOutputChoices::keepsSource(const QString& value) {
    return value.isEmpty() || value == QLatin1String(" ");
}

EditorOutputChoices EditorOutputChoices::fromUserDefaults() {
    const UserDefaults& d = UserDefaults::standardUserDefaults();
    EditorOutputChoices c;
    c.vcodec = d.stringForKey("vcodec_SelectTitle");
    c.resolution = d.stringForKey("resolution_SelectTitle");
    c.framerate = d.stringForKey("framerate_SelectTitle");
    c.bitrate = d.stringForKey("bitate_SelectTitle");
    c.acodec = d.stringForKey("acodec_SelectTitle");
    c.achannel = d.stringForKey("achannel_SelectTitle");
    c.asamplerate = d.stringForKey("asamplerate_SelectTitle");
    c.abitrate = d.stringForKey("abitate_SelectTitle");
    c.extName = d.stringForKey("extName_SelectTitle");
    return c;
}

void EditorOutputChoices::applyTo(SimpleData& data) const {
    const FileData& source = *data.sourceData;
    FileData& target = *data.targetData;
    if (source.width < 1 || source.height < 1)
        return;
    const QStringList size = resolution.split(QLatin1Char('x'));
    target.width = orSource(EditorOutputChoices::leadingCount(size.value(0)), source.width);
    target.height =
        orSource(EditorOutputChoices::leadingCount(size.size() > 1 ? size.last() : QString()), source.height);
    target.bitrate = orSource(EditorOutputChoices::leadingCount(bitrate), source.bitrate);
    const double fps = EditorOutputChoices::leadingDecimal(framerate);
    target.fps = fps > 0 ? fps : source.fps;
    target.a_bitrate =
        orSource(static_cast<long long>(EditorOutputChoices::leadingDecimal(abitrate)), source.a_bitrate);
    target.duration = source.duration;
    const double kbits = double(target.bitrate) + double(target.a_bitrate);
    target.fileSize = float(std::floor(double(source.duration) * kbits * 0.125));
    if (!keepsSource(vcodec))
        target.metadata_vcodec = vcodec;
    target.extension = keepsSource(extName) ? source.extension : extName;
}

int EditorOutputChoices::leadingCount(const QString& text) {
    return std::max(0, profiles::leadingInt(text));
}

double EditorOutputChoices::leadingDecimal(const QString& text) {
    const QString t = text.trimmed();
    qsizetype n = 0;
    bool point = false;
    while (n < t.size() && (t.at(n).isDigit() || (!point && t.at(n) == QLatin1Char('.')))) {
        point = point || t.at(n) == QLatin1Char('.');
        ++n;
    }
    const double v = t.left(n).toDouble();
    return std::isfinite(v) && v > 0 && v < 1e6 ? v : 0;
}

int EditorOutputChoices::channelsOf(const QString& title) {
    const qsizetype stereo = title.indexOf(QLatin1String("(Stereo)"));
    return leadingCount(stereo >= 0 ? title.left(stereo) : title);
}
