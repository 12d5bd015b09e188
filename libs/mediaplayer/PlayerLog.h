// The player's own logging category (the library never uses the program's).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlayer)

// FFmpeg's text for an error code.
QString avErrorText(int err);
