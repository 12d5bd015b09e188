// Pictures of text watermarks, drawn at the picture's own pixel size and kept as PNG files
// in a folder of the program's cache folder (XDG), so that the preview and the export lay the
// very same picture over the video. Nothing is written beside the user's videos or in the
// installed program.
//
// Each cache makes its own folder on first use under a free name and removes the folder with
// everything in it when destroyed; a picture that is drawn again for the same mark replaces
// its file, and files of marks that are gone are removed by prune(). Folders left behind by a
// run that ended abruptly are removed once they have not changed for a day.
//
// Main thread only.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <map>
#include <memory>

class QTemporaryDir;

struct TextPicture {
    QString text;
    QString fontName;
    double pixelSize = 30; // font size in pixels of the picture
    QColor colour = Qt::white;
    QSize size; // the mark's rectangle in pixels
};

// Draws the text centred vertically in a clear picture of the given size, left-aligned (right
// for right-to-left text), shaped by Qt and in the same font mapping as the drawing callback.
// A null picture for an empty size.
QImage drawTextPicture(const TextPicture& picture);

class TextPictureCache {
public:
    TextPictureCache();
    ~TextPictureCache();
    TextPictureCache(const TextPictureCache&) = delete;
    TextPictureCache& operator=(const TextPictureCache&) = delete;

    // The PNG file of `picture` for the mark `key` (any id that stays with the mark), drawn
    // again when its look changed. Empty, with *error set, when it cannot be written.
    QString pathFor(const void* key, const TextPicture& picture, QString* error = nullptr);
    // Removes the files of every mark not in `keep`.
    template <typename Keys> void prune(const Keys& keep) {
        for (auto it = files_.begin(); it != files_.end();) {
            if (keep.count(it->first) == 0)
                it = removeEntry(it);
            else
                ++it;
        }
    }
    // The cache's folder; empty until the first picture was written.
    QString folder() const;
    // Where the caches of this program live (the XDG cache folder of the program).
    static QString cacheRoot();

private:
    struct Entry {
        QString path;
        QString signature;
    };
    std::map<const void*, Entry>::iterator removeEntry(std::map<const void*, Entry>::iterator it);
    bool ensureFolder(QString* error);

    std::unique_ptr<QTemporaryDir> dir_;
    std::map<const void*, Entry> files_;
    int next_ = 0;
};
