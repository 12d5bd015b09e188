// File panels: open files, choose a folder, save a file. Each opens window-modal over its
// parent when one is given and reports through a callback (open(), never a blocking
// exec()); a cancelled panel reports an empty result. Panels delete themselves when closed.
#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QStringList>
#include <functional>

class Panels {
public:
    struct OpenOptions {
        QString title;
        QString directory;      // start folder; empty = the last one used, else the home folder
        QStringList extensions; // offered first ("mp4", no dot); files of other types stay choosable
        bool multiple = true;   // several files may be chosen
        QString typesTitle;     // the name of the offered types' filter ("Media files")
        QString allFilesTitle;  // the name of the every-file filter ("All files")
    };

    // `done` receives the chosen absolute paths (empty when cancelled).
    static QFileDialog* openFiles(QWidget* parent, const OpenOptions& options,
                                  std::function<void(const QStringList&)> done);
    // `done` receives the chosen folder (empty when cancelled).
    static QFileDialog* chooseFolder(QWidget* parent, const QString& title, const QString& directory,
                                     std::function<void(const QString&)> done);
    // `done` receives the chosen path (empty when cancelled). A name typed without an
    // extension gets the first of `extensions`. Replacing an existing file is confirmed.
    static QFileDialog* saveFile(QWidget* parent, const QString& title, const QString& directory,
                                 const QString& defaultName, const QStringList& extensions,
                                 std::function<void(const QString&)> done);

    // The name filters offered for a list of extensions: the listed types (both letter
    // cases), then every file. Empty titles read "Media files" and "All files".
    static QStringList nameFilters(const QStringList& extensions, const QString& typesTitle = {},
                                   const QString& allFilesTitle = {});

    // The most recently opened panel that is still open, or null (tests answer it with
    // selectFile() and static_cast<QDialog*>(panel)->accept(), or reject()).
    static QFileDialog* currentPanel();
};
