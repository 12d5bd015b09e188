// The one logging helper: Qt categories, one per area, so that a user can turn areas on
// with QT_LOGGING_RULES. Use qCDebug(lcTools) << ...; never printf.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcRecords)
Q_DECLARE_LOGGING_CATEGORY(lcControls)
Q_DECLARE_LOGGING_CATEGORY(lcTools)
Q_DECLARE_LOGGING_CATEGORY(lcEditor)
Q_DECLARE_LOGGING_CATEGORY(lcProfiles)
// The media engine's and filter graph's lines, and the preview player's (see platform/FfmpegLog.h).
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
// FFmpeg's own messages (see platform/FfmpegLog.h); warnings and above unless turned on.
Q_DECLARE_LOGGING_CATEGORY(lcFfmpeg)
