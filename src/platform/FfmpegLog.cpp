#include "platform/FfmpegLog.h"

#include "platform/Log.h"

#include <cstdarg>
#include <cstring>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// The libraries' own tags, first on their lines.
bool takeLibraryTag(std::string* line) {
    static const char* const kTags[] = {"[MediaCore] ", "[MediaFx] ", "[MediaPlayer] "};
    for (const char* tag : kTags) {
        if (line->rfind(tag, 0) == 0) {
            line->erase(0, std::strlen(tag));
            return true;
        }
    }
    return false;
}

void emitLine(int level, std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.empty())
        return;
    if (takeLibraryTag(&line)) {
        if (level <= AV_LOG_WARNING)
            qCWarning(lcEngine).noquote() << line.c_str();
        else
            qCInfo(lcEngine).noquote() << line.c_str();
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
    char text[4096];
    va_list copy;
    va_copy(copy, args);
    av_log_format_line2(context, level, format, copy, text, sizeof text, &printPrefix);
    va_end(copy);
    if (pending.empty() || level < pendingLevel)
        pendingLevel = level;
    pending += text;
    if (!pending.empty() && pending.back() == '\n') {
        emitLine(pendingLevel, std::move(pending));
        pending.clear();
    }
}

} // namespace

void routeFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(callback); });
}
