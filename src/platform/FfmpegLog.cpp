#include "platform/FfmpegLog.h"

#include "platform/Log.h"

#include <algorithm>
#include <cstdarg>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// The category of a line logged on one of the media libraries' objects, by the object's
// class; null for FFmpeg's own objects and lines without one.
const QLoggingCategory* libraryCategory(void* context) {
    const AVClass* avClass = context ? *static_cast<const AVClass* const*>(context) : nullptr;
    if (!avClass || !avClass->class_name)
        return nullptr;
    const std::string name = avClass->class_name;
    if (name == "MediaCore" || name == "MediaFx")
        return &lcEngine();
    if (name == "MediaPlayer")
        return &lcPlayer();
    return nullptr;
}

void emitLine(int level, std::string line, const QLoggingCategory* library) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.empty())
        return;
    if (library) {
        if (level <= AV_LOG_WARNING)
            qCWarning(*library).noquote() << line.c_str();
        else
            qCInfo(*library).noquote() << line.c_str();
    } else if (level <= AV_LOG_ERROR) {
        qCWarning(lcFfmpeg).noquote() << line.c_str();
    } else if (level <= AV_LOG_WARNING) {
        qCInfo(lcFfmpeg).noquote() << line.c_str();
    } else {
        qCDebug(lcFfmpeg).noquote() << line.c_str();
    }
}

void callback(void* context, int level, const char* format, va_list args) {
    if (level > av_log_get_level())
        return;
    // FFmpeg may deliver one line in several calls: each thread gathers its own until the
    // line ends.
    thread_local std::string pending;
    thread_local int pendingLevel = AV_LOG_QUIET;
    thread_local int printPrefix = 1;
    thread_local const QLoggingCategory* pendingLibrary = nullptr;
    // A library's line names its library by its category, not by a "[name @ address]" prefix.
    const QLoggingCategory* library = libraryCategory(context);
    char text[4096];
    va_list copy;
    va_copy(copy, args);
    av_log_format_line2(library ? nullptr : context, level, format, copy, text, sizeof text, &printPrefix);
    va_end(copy);
    if (pending.empty()) {
        pendingLevel = level;
        pendingLibrary = library;
    }
    pendingLevel = std::min(pendingLevel, level);
    pending += text;
    if (!pending.empty() && pending.back() == '\n') {
        emitLine(pendingLevel, std::move(pending), pendingLibrary);
        pending.clear();
    }
}

} // namespace

void routeFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(callback); });
}
