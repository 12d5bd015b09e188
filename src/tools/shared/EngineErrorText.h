// The words for an engine result that every tool window shows when a job fails: what went
// wrong and what the user can do about it, in the chosen language, with the engine's number
// after it for a report. Results without words of their own get a general sentence.
#pragma once

#include <QString>

namespace engineerror {

// The localisation key of result (a negative FFmpeg error value or one of the engine's own);
// "" for results without words of their own.
QString keyOf(int result);
// The sentence alone.
QString words(int result);
// The sentence and "(error:<result>)".
QString text(int result);

} // namespace engineerror
