#include "EngineLog.h"

namespace mediacore {

namespace {
constexpr const char* kArea = "MediaCore";
}

int logFailure(const std::string& what, int error) {
    ff::log(AV_LOG_ERROR, kArea, "%s: %s", what.c_str(), errorText(error).c_str());
    return error;
}

void logError(const std::string& what) {
    ff::log(AV_LOG_ERROR, kArea, "%s", what.c_str());
}

void logInfo(const std::string& what) {
    ff::log(AV_LOG_VERBOSE, kArea, "%s", what.c_str());
}

} // namespace mediacore
