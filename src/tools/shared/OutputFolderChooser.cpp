#include "tools/shared/OutputFolderChooser.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Log.h"
#include "platform/Panels.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace {
QStringList titles() {
    return {NSBundle::localizedStringForKey("outputFolderItemMovies"),
            NSBundle::localizedStringForKey("outputFolderItemDocuments"),
            NSBundle::localizedStringForKey("outputFolderItemDesktop"),
            NSBundle::localizedStringForKey("Title"),
            NSBundle::localizedStringForKey("outputFolderItemOther...")};
}
QString lastComponent(const QString& path) {
    return QFileInfo(path).fileName();
}
// The folder last picked with "Other..." while it is still the chosen output folder: a tool
// window opened later in the same run offers it again as the sixth item and starts on it.
QString& rememberedPick() {
    static QString path;
    return path;
}
void makeFolder(const QString& path) {
    if (QFileInfo::exists(path))
        return;
    const bool ok = QDir().mkpath(path);
    qCDebug(lcTools) << "suc:" << ok << "path:" << path;
}
} // namespace

OutputFolderChooser::OutputFolderChooser(QWidget* parent) : QComboBox(parent) {
    pickedPath_ = rememberedPick();
    resetItems(!pickedPath_.isEmpty());
    setCurrentIndex(pickedPath_.isEmpty() ? int(ProgramFolder) : int(Picked));
    // activated also fires when the current item is picked again ("Other..." twice).
    connect(this, &QComboBox::activated, this, [this](int) { outputPopUpBtnAction(); });
    outputPopUpBtnAction();
}

QString OutputFolderChooser::standardFolder(Item item) {
    switch (item) {
    case Movies:
        return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    case Documents:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    case Desktop:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    default:
        return programFolder();
    }
}

QString OutputFolderChooser::programFolder() {
    return standardFolder(Movies) + "/" + NSBundle::localizedStringForKey("Title");
}

void OutputFolderChooser::choose(int index) {
    setCurrentIndex(index);
    outputPopUpBtnAction();
}

void OutputFolderChooser::resetItems(bool withPicked) {
    const QSignalBlocker block(this);
    clear();
    addItems(titles());
    if (withPicked && !pickedPath_.isEmpty())
        addItem(lastComponent(pickedPath_));
}

void OutputFolderChooser::setPath(const QString& path) {
    QString clean = path;
    while (clean.size() > 1 && clean.endsWith('/'))
        clean.chop(1);
    outputPath_ = clean;
    if (outputPathChanged)
        outputPathChanged(outputPath_);
}

void OutputFolderChooser::showLastComponent() {
    const QSignalBlocker block(this);
    const QString title = lastComponent(outputPath_);
    int found = findText(title);
    if (found < 0) {
        addItem(title);
        found = count() - 1;
    }
    setCurrentIndex(found);
}

void OutputFolderChooser::outputPopUpBtnAction() {
    const int i = currentIndex();
    if (i >= Movies && i <= Desktop) {
        setPath(standardFolder(Item(i)));
        pickedPath_.clear();
        rememberedPick().clear();
        resetItems(false);
        showLastComponent();
        return;
    }
    if (i == ProgramFolder || i >= Picked) {
        // A picked folder keeps its own path, whatever its name.
        setPath(i == ProgramFolder ? programFolder() : pickedPath_);
        makeFolder(outputPath_);
        if (i == ProgramFolder) {
            pickedPath_.clear();
            rememberedPick().clear();
        }
        resetItems(i >= Picked);
        setCurrentIndex(i == ProgramFolder ? ProgramFolder : int(Picked));
        return;
    }
    if (i == Other) {
        QPointer<OutputFolderChooser> self(this);
        QFileDialog* panel =
            Panels::chooseFolder(window(), NSBundle::localizedStringForKey("Main_Sel_Dir_Hit"),
                                 programFolder(), [self](const QString& folder) {
                                     // A cancelled panel changes nothing.
                                     if (!self || folder.isEmpty())
                                         return;
                                     QString picked = folder;
                                     while (picked.size() > 1 && picked.endsWith('/'))
                                         picked.chop(1);
                                     self->pickedPath_ = picked;
                                     rememberedPick() = picked;
                                     self->setPath(picked);
                                     self->resetItems(true);
                                     const QSignalBlocker block(self.data());
                                     self->setCurrentIndex(Picked);
                                 });
        if (panel) {
            panel->setLabelText(QFileDialog::Accept, NSBundle::localizedStringForKey("OpenPanelOpenTitle"));
            panel->setLabelText(QFileDialog::Reject, NSBundle::localizedStringForKey("OpenPanelCancelTitle"));
        }
        return;
    }
    if (!outputPath_.isEmpty())
        showLastComponent();
}
