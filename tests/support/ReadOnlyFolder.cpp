#include "ReadOnlyFolder.h"

#include <QFile>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Sets or clears the immutable flag of a folder; false when it cannot.
bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

// Whether a file can be created in path (and is removed again at once).
bool canCreateIn(const QString& path) {
    const QByteArray probe = QFile::encodeName(path + "/.write-probe");
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(QString path) : path_(std::move(path)) {
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
    if (canCreateIn(path_)) // root ignores the permissions
        immutable_ = setImmutable(path_, true);
    readOnly_ = !canCreateIn(path_);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (immutable_)
        setImmutable(path_, false);
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace testsupport
