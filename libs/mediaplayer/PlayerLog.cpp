#include "PlayerLog.h"

#include "FfPointers.h"

namespace player {

namespace {

// The player reads and shows files: its nearest category is the demuxer's.
const AVClass kClass = ff::logClass("MediaPlayer", AV_CLASS_CATEGORY_DEMUXER);
const ff::LogSource kPlayer{&kClass};

void logAt(int level, const char* format, va_list args) {
    char text[4096];
    std::vsnprintf(text, sizeof text, format, args);
    ff::log(kPlayer, level, "%s", text);
}

} // namespace

void logWarning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logAt(AV_LOG_WARNING, format, args);
    va_end(args);
}

void logDebug(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logAt(AV_LOG_DEBUG, format, args);
    va_end(args);
}

} // namespace player

QString avErrorText(int err) {
    return QString::fromStdString(ff::errorText(err));
}
