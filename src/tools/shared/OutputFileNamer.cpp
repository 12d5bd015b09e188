#include "tools/shared/OutputFileNamer.h"

#include "foundation/helpers/HelpClass.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {
QString withExtension(const QString& stem, const QString& extension) {
    return extension.isEmpty() ? stem : stem + "." + extension;
}
bool taken(const QString& path) {
    // A dangling symbolic link also counts as taken: writing through it would create a file
    // somewhere the user did not choose.
    QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

constexpr int kHeldElsewhere = -2;

// Binds the abstract socket of path: its descriptor, kHeldElsewhere when another export holds
// the path, or -1 when the system gives no socket. The socket's name is a digest of the path
// with its folder resolved, so that two spellings of one folder meet.
int hold(const QString& path) {
    const QFileInfo info(path);
    QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        folder = info.absolutePath();
    const QByteArray name =
        "cutbench-output-" +
        QCryptographicHash::hash((folder + "/" + info.fileName()).toUtf8(), QCryptographicHash::Sha256)
            .toHex();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    static_assert(sizeof address.sun_path > 16 + 64 + 1);
    std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size())); // [0] = 0: abstract
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0)
        return fd;
    const int error = errno;
    ::close(fd);
    return error == EADDRINUSE ? kHeldElsewhere : -1;
}

bool heldElsewhere(const QString& path) {
    const int fd = hold(path);
    if (fd >= 0)
        ::close(fd);
    return fd == kHeldElsewhere;
}

QString candidate(const QString& folder, const QString& name, const QString& extension, long n) {
    return n < 2 ? withExtension(folder + "/" + name, extension)
                 : withExtension(QString("%1/%2(%3)").arg(folder, name).arg(n), extension);
}
} // namespace

OutputName::~OutputName() {
    release();
}

OutputName::OutputName(OutputName&& other) noexcept
    : path_(std::exchange(other.path_, QString())), hold_(std::exchange(other.hold_, -1)) {}

OutputName& OutputName::operator=(OutputName&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::exchange(other.path_, QString());
        hold_ = std::exchange(other.hold_, -1);
    }
    return *this;
}

void OutputName::release() {
    if (hold_ >= 0)
        ::close(hold_);
    hold_ = -1;
}

QString OutputFileNamer::freePath(const QString& folder, const QString& name, const QString& extension) {
    for (long n = 1;; ++n) {
        QString path = candidate(folder, name, extension, n);
        if (!taken(path) && !heldElsewhere(path))
            return path;
    }
}

OutputName OutputFileNamer::take(const QString& path) {
    if (taken(path))
        return {};
    const int fd = hold(path);
    if (fd == kHeldElsewhere)
        return {};
    OutputName held(path, fd);
    // A file that appeared between the look and the hold takes the name too.
    if (taken(path))
        return {};
    return held;
}

OutputName OutputFileNamer::takeFreePath(const QString& folder, const QString& name,
                                         const QString& extension) {
    for (long n = 1;; ++n) {
        OutputName held = take(candidate(folder, name, extension, n));
        if (!held.isEmpty())
            return held;
    }
}

QString OutputFileNamer::extensionOf(const QString& path) {
    const QString last = QFileInfo(path).fileName();
    const qsizetype dot = last.lastIndexOf('.');
    return dot <= 0 ? QString() : last.mid(dot + 1);
}

QString OutputFileNamer::freeTimestampPath(const QString& folder, const QString& extension) {
    return freePath(folder, HelpClass::createFilename(), extension);
}

OutputName OutputFileNamer::takeFreeTimestampPath(const QString& folder, const QString& extension) {
    return takeFreePath(folder, HelpClass::createFilename(), extension);
}

QString OutputFileNamer::soundExtensionFor(const QString& codec) {
    static const QHash<QString, QString> kContainers = {
        {"mp3", "mp3"},   {"flac", "flac"},     {"vorbis", "ogg"},    {"opus", "opus"},    {"wmav2", "wma"},
        {"wmav1", "wma"}, {"pcm_s16le", "wav"}, {"pcm_s24le", "wav"}, {"pcm_f32le", "wav"}};
    return kContainers.value(codec.toLower(), QStringLiteral("m4a"));
}
