#include "tools/shared/MediaOpenPanel.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Log.h"
#include "platform/Panels.h"

#include <utility>

const QStringList& MediaOpenPanel::acceptedMediaTypes() {
    static const QStringList types{"mov", "qt",   "mp4", "m4v",  "flv",  "ts",   "m2ts", "mts",  "mkv", "mka",
                                   "mpg", "mpeg", "mpa", "m2v",  "mpv",  "dat",  "avi",  "divx", "3gp", "3g2",
                                   "mxf", "tp",   "trp", "nut",  "h261", "h264", "mod",  "tod",  "wmv", "mp3",
                                   "mp2", "m4a",  "m4r", "flac", "wav",  "wma",  "ogg",  "aac",  "ac3"};
    return types;
}

const QStringList& MediaOpenPanel::offeredTypes() {
    // The listed types, then those the program writes itself (its profiles make .webm and
    // .opus files), so that its own outputs show in its own panels.
    static const QStringList types = acceptedMediaTypes() + QStringList{"webm", "opus"};
    return types;
}

const QStringList& MediaOpenPanel::soundTypes() {
    static const QStringList types{"mp3", "mp2", "m4a", "m4r", "flac", "wav", "wma", "ogg", "aac", "ac3"};
    return types;
}

void MediaOpenPanel::open(QWidget* window, bool multiple, std::function<void(const QStringList&)> chosen,
                          const QStringList& types) {
    Panels::OpenOptions options;
    options.extensions = types;
    options.typesTitle = NSBundle::localizedStringForKey("OpenPanelMediaFilesTitle");
    options.allFilesTitle = NSBundle::localizedStringForKey("OpenPanelAllFilesTitle");
    options.multiple = multiple;
    openFiles(window, options, [chosen = std::move(chosen)](const QStringList& paths) {
        qCDebug(lcTools) << "urls:" << paths;
        if (chosen)
            chosen(paths);
    });
}

void MediaOpenPanel::openFiles(QWidget* window, const Panels::OpenOptions& options,
                               std::function<void(const QStringList&)> chosen) {
    QFileDialog* panel =
        Panels::openFiles(window, options, [chosen = std::move(chosen)](const QStringList& paths) {
            if (!paths.isEmpty() && chosen)
                chosen(paths);
        });
    if (panel) {
        panel->setLabelText(QFileDialog::Accept, NSBundle::localizedStringForKey("OpenPanelOpenTitle"));
        panel->setLabelText(QFileDialog::Reject, NSBundle::localizedStringForKey("OpenPanelCancelTitle"));
    }
}
