// Output names of the tool windows. A tool never writes over a file that is already there:
// when "<folder>/<name>.<ext>" exists, the next free of "<folder>/<name>(2).<ext>",
// "<folder>/<name>(3).<ext>", ... is taken. Timestamp names (joined and merged files,
// snapshots) go through the same rule, since two exports within one second would
// otherwise share a name.
#pragma once

#include <QString>

class OutputFileNamer {
public:
    // The first free path for name and extension (no dot) in folder (no trailing "/").
    static QString freePath(const QString& folder, const QString& name, const QString& extension);
    // The extension of a path's last component, without the dot ("" when there is none).
    static QString extensionOf(const QString& path);
    // A free path named by the current time ("yyyy-MM-dd_HH-mm-ss").
    static QString freeTimestampPath(const QString& folder, const QString& extension);
    // The extension of a file of sound only that keeps sound of this codec (the engine's codec
    // name): "mp3" for MP3, "flac", "ogg" for Vorbis, ..., "m4a" for AAC and any other. A sound
    // profile that keeps the source's format writes its sound into such a file, so that no
    // picture comes along.
    static QString soundExtensionFor(const QString& codec);
};
