#include "platform/Log.h"

Q_LOGGING_CATEGORY(lcApp, "cutbench.app")
Q_LOGGING_CATEGORY(lcRecords, "cutbench.records")
Q_LOGGING_CATEGORY(lcControls, "cutbench.controls")
Q_LOGGING_CATEGORY(lcTools, "cutbench.tools")
Q_LOGGING_CATEGORY(lcEditor, "cutbench.editor")
Q_LOGGING_CATEGORY(lcProfiles, "cutbench.profiles")
Q_LOGGING_CATEGORY(lcEngine, "cutbench.engine")
Q_LOGGING_CATEGORY(lcPlayer, "cutbench.player")
Q_LOGGING_CATEGORY(lcFfmpeg, "cutbench.ffmpeg", QtWarningMsg)
