#include "platform/Workspace.h"

#include "platform/Log.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace {
std::function<bool(const QUrl&)>& handler() {
    static std::function<bool(const QUrl&)> h;
    return h;
}

bool open(const QUrl& url) {
    if (handler())
        return handler()(url);
    const bool ok = QDesktopServices::openUrl(url);
    if (!ok)
        qCWarning(lcApp) << "nothing opened" << url;
    return ok;
}
} // namespace

bool Workspace::openURL(const QUrl& url) {
    if (!url.isValid() || url.isEmpty()) {
        qCWarning(lcApp) << "not an address:" << url;
        return false;
    }
    return open(url);
}

bool Workspace::revealInFileManager(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        qCWarning(lcApp).noquote() << "cannot reveal a missing path:" << path;
        return false;
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    return open(QUrl::fromLocalFile(folder));
}

void Workspace::setOpenHandlerForTesting(std::function<bool(const QUrl&)> h) {
    handler() = std::move(h);
}
