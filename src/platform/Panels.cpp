#include "platform/Panels.h"

#include "platform/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

QPointer<QFileDialog>& lastPanel() {
    static QPointer<QFileDialog> p;
    return p;
}

QString& lastDirectory() {
    static QString d;
    return d;
}

QString startDirectory(const QString& requested) {
    if (!requested.isEmpty() && QFileInfo(requested).isDir())
        return requested;
    if (!lastDirectory().isEmpty() && QFileInfo(lastDirectory()).isDir())
        return lastDirectory();
    return QDir::homePath();
}

QFileDialog* makePanel(QWidget* parent, const QString& title, const QString& directory) {
    auto* panel = new QFileDialog(parent, title, startDirectory(directory));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    // Without a desktop (tests, headless runs) the system dialog cannot be driven; Qt's own can.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        panel->setOption(QFileDialog::DontUseNativeDialog, true);
    if (parent)
        panel->setWindowModality(Qt::WindowModal);
    return panel;
}

void show(QFileDialog* panel) {
    lastPanel() = panel;
    panel->open();
}

} // namespace

QStringList Panels::nameFilters(const QStringList& extensions, const QString& typesTitle,
                                const QString& allFilesTitle) {
    QStringList patterns;
    for (const QString& ext : extensions) {
        const QString e = ext.startsWith(QLatin1Char('.')) ? ext.mid(1) : ext;
        if (e.isEmpty())
            continue;
        for (const QString& v : {e.toLower(), e.toUpper()}) {
            const QString p = QStringLiteral("*.") + v;
            if (!patterns.contains(p))
                patterns << p;
        }
    }
    QStringList filters;
    if (!patterns.isEmpty())
        filters << QStringLiteral("%1 (%2)").arg(typesTitle.isEmpty() ? QStringLiteral("Media files")
                                                                      : typesTitle,
                                                 patterns.join(QLatin1Char(' ')));
    filters << QStringLiteral("%1 (*)").arg(allFilesTitle.isEmpty() ? QStringLiteral("All files")
                                                                    : allFilesTitle);
    return filters;
}

QFileDialog* Panels::openFiles(QWidget* parent, const OpenOptions& options,
                               std::function<void(const QStringList&)> done) {
    QFileDialog* panel = makePanel(parent, options.title, options.directory);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(options.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    panel->setNameFilters(nameFilters(options.extensions, options.typesTitle, options.allFilesTitle));
    QObject::connect(panel, &QDialog::finished, panel, [panel, done = std::move(done)](int result) {
        QStringList files;
        if (result == QDialog::Accepted) {
            for (const QString& f : panel->selectedFiles())
                files << QFileInfo(f).absoluteFilePath();
            if (!files.isEmpty())
                lastDirectory() = QFileInfo(files.first()).absolutePath();
        }
        if (done)
            done(files);
    });
    show(panel);
    return panel;
}

QFileDialog* Panels::chooseFolder(QWidget* parent, const QString& title, const QString& directory,
                                  std::function<void(const QString&)> done) {
    QFileDialog* panel = makePanel(parent, title, directory);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly, true);
    QObject::connect(panel, &QDialog::finished, panel, [panel, done = std::move(done)](int result) {
        QString folder;
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty()) {
            folder = QFileInfo(panel->selectedFiles().first()).absoluteFilePath();
            lastDirectory() = folder;
        }
        if (done)
            done(folder);
    });
    show(panel);
    return panel;
}

QFileDialog* Panels::saveFile(QWidget* parent, const QString& title, const QString& directory,
                              const QString& defaultName, const QStringList& extensions,
                              std::function<void(const QString&)> done) {
    QFileDialog* panel = makePanel(parent, title, directory);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    if (!extensions.isEmpty()) {
        panel->setNameFilters(nameFilters(extensions));
        QString first = extensions.first();
        if (first.startsWith(QLatin1Char('.')))
            first.remove(0, 1);
        panel->setDefaultSuffix(first);
    }
    if (!defaultName.isEmpty())
        panel->selectFile(defaultName);
    QObject::connect(panel, &QDialog::finished, panel, [panel, done = std::move(done)](int result) {
        QString path;
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty()) {
            path = QFileInfo(panel->selectedFiles().first()).absoluteFilePath();
            lastDirectory() = QFileInfo(path).absolutePath();
        }
        if (done)
            done(path);
    });
    show(panel);
    return panel;
}

QFileDialog* Panels::currentPanel() {
    QFileDialog* panel = lastPanel();
    return panel && panel->isVisible() ? panel : nullptr;
}
