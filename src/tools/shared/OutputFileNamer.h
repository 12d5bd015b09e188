// Output names of the tool windows. A tool never writes over a file that is already there:
// when "<folder>/<name>.<ext>" exists, the next free of "<folder>/<name>(2).<ext>",
// "<folder>/<name>(3).<ext>", ... is taken. Timestamp names (joined and merged files,
// snapshots) go through the same rule, since two exports within one second would
// otherwise share a name.
//
// An export writes under a hidden temporary name and gives its file the final name only at
// its end, so until then the name is not on the disk. An export therefore holds its name
// (OutputName) from the moment it is chosen until the job is gone, and a name held by a job of
// this process or of another running copy of the program counts as taken: two exports started
// together never pick one name. The hold is an abstract local socket named after the path,
// which the system lets only one socket bind and releases with its process, so a killed
// program leaves no hold behind and nothing on the disk.
#pragma once

#include <QString>
#include <utility>

// A path held for one export; move-only, released when destroyed. A default one holds nothing
// and has no path.
class OutputName {
public:
    OutputName() = default;
    ~OutputName();
    OutputName(OutputName&& other) noexcept;
    OutputName& operator=(OutputName&& other) noexcept;
    OutputName(const OutputName&) = delete;
    OutputName& operator=(const OutputName&) = delete;

    const QString& path() const { return path_; }
    bool isEmpty() const { return path_.isEmpty(); }
    // Whether the name is held against other exports (false when the system gave no socket:
    // the engine's final rename still never replaces a file).
    bool isHeld() const { return hold_ >= 0; }

private:
    friend class OutputFileNamer;
    OutputName(QString path, int hold) : path_(std::move(path)), hold_(hold) {}
    void release();
    QString path_;
    int hold_ = -1;
};

class OutputFileNamer {
public:
    // The first free path for name and extension (no dot) in folder (no trailing "/"); a path
    // held by a running export is not free.
    static QString freePath(const QString& folder, const QString& name, const QString& extension);
    // The same path, held for the export that is about to write it.
    static OutputName takeFreePath(const QString& folder, const QString& name, const QString& extension);
    // path held when it is free; an empty name when it exists or another export holds it.
    static OutputName take(const QString& path);
    // The extension of a path's last component, without the dot ("" when there is none).
    static QString extensionOf(const QString& path);
    // A free path named by the current time ("yyyy-MM-dd_HH-mm-ss"), and the same held.
    static QString freeTimestampPath(const QString& folder, const QString& extension);
    static OutputName takeFreeTimestampPath(const QString& folder, const QString& extension);
    // The extension of a file of sound only that keeps sound of this codec (the engine's codec
    // name): "mp3" for MP3, "flac", "ogg" for Vorbis, ..., "m4a" for AAC and any other. A sound
    // profile that keeps the source's format writes its sound into such a file, so that no
    // picture comes along.
    static QString soundExtensionFor(const QString& codec);
};
