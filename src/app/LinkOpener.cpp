#include "app/LinkOpener.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "platform/Workspace.h"

#include <QWidget>

bool linkopener::open(QWidget* over, const QUrl& url) {
    if (Workspace::openURL(url))
        return true;
    // A local help page reads better as its path than as a file:// address.
    const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    Alerts::showWarning(over ? over->window() : nullptr,
                        NSBundle::localizedStringForKey(QStringLiteral("Title")),
                        NSBundle::localizedStringForKey(QStringLiteral("openLinkFailedString"))
                            .replace(QStringLiteral("%@"), shown));
    return false;
}
