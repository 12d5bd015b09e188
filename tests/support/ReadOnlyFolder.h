// A folder that nothing can be written into, for the tests of how a window says so. The
// permission bits are cleared; the tests run as root, which ignores them, so the folder is
// then also made immutable (root cannot create a file in it either). Where neither holds (a
// file system without the flag, no right to set it) isReadOnly() is false and the caller
// skips. The folder is made writable again when the object goes.
#pragma once

#include <QString>

namespace testsupport {

class ReadOnlyFolder {
public:
    // Makes path (an existing, empty folder) read-only.
    explicit ReadOnlyFolder(QString path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // A file cannot be created in the folder.
    bool isReadOnly() const { return readOnly_; }
    const QString& path() const { return path_; }

private:
    QString path_;
    bool immutable_ = false;
    bool readOnly_ = false;
};

} // namespace testsupport
