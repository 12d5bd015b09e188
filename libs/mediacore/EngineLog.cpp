#include "EngineLog.h"

namespace mediacore {

namespace {
// The engine reads, decodes, encodes and writes files: its nearest category is the muxer's.
const AVClass kClass = ff::logClass("MediaCore", AV_CLASS_CATEGORY_MUXER);
const ff::LogSource kEngine{&kClass};
} // namespace

int logFailure(const std::string& what, int error) {
    ff::log(kEngine, AV_LOG_ERROR, "%s: %s", what.c_str(), errorText(error).c_str());
    return error;
}

void logError(const std::string& what) {
    ff::log(kEngine, AV_LOG_ERROR, "%s", what.c_str());
}

void logInfo(const std::string& what) {
    ff::log(kEngine, AV_LOG_VERBOSE, "%s", what.c_str());
}

void logWarning(const std::string& what) {
    ff::log(kEngine, AV_LOG_WARNING, "%s", what.c_str());
}

} // namespace mediacore
