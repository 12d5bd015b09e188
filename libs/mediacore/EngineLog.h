// The engine's logging: every failure goes through here with FFmpeg's own error text, into
// FFmpeg's log on the engine's logging object of class "MediaCore" (stderr unless the program
// installs an av_log callback).
// Threading: safe from any thread (av_log is).
#pragma once

#include <string>

#include "FfPointers.h"

namespace mediacore {

using ff::errorText;

// "what: FFmpeg text" at error level; returns `error` so callers can
// `return logFailure("...", r);`.
int logFailure(const std::string& what, int error);
// A failure without an FFmpeg code.
void logError(const std::string& what);
void logInfo(const std::string& what);
// What the user would want to know of an output that differs from what was asked (a codec
// kept from the source written as another).
void logWarning(const std::string& what);

} // namespace mediacore
