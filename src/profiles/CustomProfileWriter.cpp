#include "profiles/CustomProfileWriter.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "profiles/AddPfFileNotification.h"
#include "profiles/ProfileParameters.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/ProfileTile.h"
#include "profiles/ProfileValueParser.h"
#include "profiles/ProfileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

using namespace profiles;

namespace {

const QString kKeepSource = QStringLiteral(" ");

// Characters that would change the meaning of a value in the profile syntax.
QString clean(QString text) {
    for (const QChar c : {QLatin1Char('"'), QLatin1Char(','), QLatin1Char('{'), QLatin1Char('}'),
                          QLatin1Char('\n'), QLatin1Char('\r')})
        text.remove(c);
    return text;
}

// "WxH" from "custom={W x H}" when both are positive; empty otherwise.
QString customSize(const QString& customValue) {
    const QString prefix = QStringLiteral("custom={");
    if (!customValue.startsWith(prefix) || !customValue.endsWith(QLatin1Char('}')))
        return {};
    const QString inner = customValue.mid(prefix.size(), customValue.size() - prefix.size() - 1);
    const qsizetype x = inner.indexOf(QLatin1Char('x'));
    if (x < 0)
        return {};
    const int w = leadingInt(inner.left(x)), h = leadingInt(inner.mid(x + 1));
    return w > 0 && h > 0 ? QStringLiteral("%1x%2").arg(w).arg(h) : QString();
}

} // namespace

CustomProfileWriter::CustomProfileWriter(QObject* prompt, bool joinner, QString templatePath, bool audioOnly)
    : QObject(prompt), joinner_(joinner), templatePath_(std::move(templatePath)), audioOnly_(audioOnly) {
    observeAddPfFileNotification(
        prompt, [this](const QVariantMap& values) { received(values); }, this);
}

QStringList CustomProfileWriter::profileLines(bool joinner, const QString& templatePath, bool audioOnly,
                                              const QString& customValue) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString ext =
        ProfileValueParser::new_startAndendnospaceString(
            clean(readProfileValue(QStringLiteral("Main"), QStringLiteral("ExtName"), templatePath))
                .remove(QLatin1Char('\t')))
            .value_or(QString());
    // A profile that keeps the source's container names none; the saved profile carries
    // the user's codec choices, so it names a container that takes every offered codec.
    const QString container = !ext.isEmpty() ? ext
                              : audioOnly    ? QStringLiteral("mka")
                                             : QStringLiteral("mkv");
    QStringList lines{QStringLiteral("[Main]"), QStringLiteral("ExtName=") + container,
                      QStringLiteral("[Parameter]")};
    for (int i = audioOnly ? kAudioCodec : kVideoCodec; i < int(kParameters.size()); ++i) {
        const Parameter& p = kParameters[i];
        const QString raw =
            readProfileValue(QStringLiteral("Parameter"), QString::fromLatin1(p.profileKey), templatePath);
        QStringList options = ProfileValueParser::resultContentStrForArr(raw).value_or(QStringList());
        for (QString& option : options)
            option = clean(option);
        options.removeAll(QString());

        QString chosen = clean(defaults.stringForKey(p.defaultsKey(joinner)));
        if (i == kFrameSize && chosen == kCustomTitle) {
            chosen = customSize(customValue);
            const int w = int(defaults.integerForKey(kCustomWidthKey)),
                      h = int(defaults.integerForKey(kCustomHeightKey));
            if (chosen.isEmpty() && w > 0 && h > 0)
                chosen = QStringLiteral("%1x%2").arg(w).arg(h);
        } else if (i == kVideoBitRate && chosen == kCustomTitle) {
            const long long bit = defaults.integerForKey(kCustomBitRateKey);
            chosen = bit > 0 ? QString::number(bit) : QString();
        }
        if (ProfileValueParser::new_startAndendnospaceString(chosen).value_or(QString()).isEmpty())
            chosen = kKeepSource;
        if (chosen != kKeepSource && !options.contains(chosen))
            options << chosen;
        QString line = QString::fromLatin1(p.profileKey) + QLatin1Char('=') + chosen;
        if (!options.isEmpty())
            line += QStringLiteral(", {") + options.join(QLatin1Char(',')) + QLatin1Char('}');
        lines << line;
    }
    return lines;
}

bool CustomProfileWriter::write(const QString& name, const QString& customValue) const {
    const QString folder = ProfileSet::customFolderForWriting();
    const QStringList lines = profileLines(joinner_, templatePath_, audioOnly_, customValue);
    const ProfileWriter::Result result =
        ProfileWriter::save(lines, name, folder, ProfileWriter::Existing::Replace);
    if (result != ProfileWriter::Result::Written)
        return false;
    // The browsers show "<name>.png" beside the profile: a tile of the container it writes
    // (the profile it was made from may be "Keep Original", whose tile is no container's).
    // It belongs to the profile and is replaced with it.
    const QString container = lines.value(1).section(QLatin1Char('='), 1);
    const QString picture = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!profiletile::containerTile(container, audioOnly_).save(picture, "PNG"))
        qCWarning(lcProfiles) << "cannot write the profile picture" << picture;
    // Open format lists take the new profile at once.
    NotificationCenter::defaultCenter().postNotificationName(
        NSPfFileWrittenNotification, this,
        {{QStringLiteral("path"), QDir(folder).filePath(name + QStringLiteral(".pf"))}});
    return true;
}

void CustomProfileWriter::received(const QVariantMap& values) const {
    const QString name = values.value(QStringLiteral("fileName")).toString();
    const QString value = values.value(QStringLiteral("value")).toString();
    if (write(name, value))
        return;
    auto* prompt = qobject_cast<QWidget*>(parent());
    auto* box =
        new QMessageBox(QMessageBox::Warning, NSBundle::localizedStringForKey(QStringLiteral("Title")),
                        NSBundle::localizedStringForKey(QStringLiteral("pfSaveFailedString"),
                                                        QStringLiteral("The profile could not be saved.")),
                        QMessageBox::Ok, prompt ? prompt->parentWidget() : nullptr);
    Alerts::titleOkButton(box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}
