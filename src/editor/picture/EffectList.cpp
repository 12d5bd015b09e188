#include "editor/picture/EffectList.h"

#include "mediacore/MediaCore.h"
#include "platform/BundlePaths.h"
#include "platform/Log.h"
#include "tools/shared/EngineConvert.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

namespace {

// One <dict> of the list: key/value pairs until its end.
EffectListEntry readEntry(QXmlStreamReader& xml) {
    EffectListEntry e;
    QString key;
    while (xml.readNextStartElement()) {
        const QString tag = xml.name().toString();
        const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
        if (tag == QLatin1String("key"))
            key = text;
        else if (key == QLatin1String("EffectName"))
            e.name = text.trimmed();
        else if (key == QLatin1String("EffectId"))
            e.id = text.trimmed().toInt();
        else if (key == QLatin1String("EffectPicture"))
            e.picture = text.trimmed();
    }
    return e;
}

} // namespace

std::vector<EffectListEntry> loadEffectList(const QString& path) {
    std::vector<EffectListEntry> list;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        qCWarning(lcEditor) << "effect list not readable:" << path;
        return list;
    }
    QXmlStreamReader xml(&f);
    // plist > array > dict*
    while (xml.readNextStartElement()) {
        const QString tag = xml.name().toString();
        if (tag == QLatin1String("plist") || tag == QLatin1String("array"))
            continue;
        if (tag != QLatin1String("dict")) {
            xml.skipCurrentElement();
            continue;
        }
        EffectListEntry e = readEntry(xml);
        if (!e.name.isEmpty() && e.id > 0)
            list.push_back(e);
    }
    if (xml.hasError()) {
        qCWarning(lcEditor) << "effect list damaged:" << path << xml.errorString();
        list.clear();
    }
    return list;
}

std::vector<EffectListEntry> loadEffectList() {
    return loadEffectList(QDir(bundle::settingsBundlePath()).filePath(QStringLiteral("EffectList.plist")));
}

bool engineDrawsEffect(int id) {
    // A job that is never started costs nothing but its handle.
    const std::unique_ptr<EngineConvert> job = EngineConvert::create();
    return job && apiMediaConvertAddImageEffect(job->handle(), id) >= 1;
}
