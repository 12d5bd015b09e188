// Opening the homepage, the help page or a mail address from the shell. When nothing on the
// desktop takes the address (no browser or mail program is set up), the user is told so in
// a window-modal alert over the window that asked, instead of the click doing nothing.
#pragma once

#include <QUrl>

class QWidget;

namespace linkopener {
// Opens url; false, after showing the alert over `over`, when nothing opened it.
bool open(QWidget* over, const QUrl& url);
} // namespace linkopener
