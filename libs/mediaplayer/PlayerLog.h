// The player's logging: into FFmpeg's log on the player's logging object of class
// "MediaPlayer", where the program's log callback files it like the other libraries' lines.
// Threading: safe from any thread (av_log is).
#pragma once

#include <QString>

namespace player {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void logWarning(const char* format, ...);
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void logDebug(const char* format, ...);

} // namespace player

// FFmpeg's text for an error code.
QString avErrorText(int err);
