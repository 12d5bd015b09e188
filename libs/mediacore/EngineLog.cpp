#include "EngineLog.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace mediacore {

std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_make_error_string(text, sizeof text, error);
    return text;
}

int logFailure(const std::string& what, int error) {
    av_log(nullptr, AV_LOG_ERROR, "[MediaCore] %s: %s\n", what.c_str(), errorText(error).c_str());
    return error;
}

void logError(const std::string& what) {
    av_log(nullptr, AV_LOG_ERROR, "[MediaCore] %s\n", what.c_str());
}

void logInfo(const std::string& what) {
    av_log(nullptr, AV_LOG_VERBOSE, "[MediaCore] %s\n", what.c_str());
}

} // namespace mediacore
