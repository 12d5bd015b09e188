// FFmpeg's log (av_log) routed into the program's logging categories, so that FFmpeg never
// writes to stderr on its own (an export would otherwise print the encoder's statistics).
//
// The media libraries log through av_log too, tagged "[MediaCore] ", "[MediaFx] " or
// "[MediaPlayer] ": those lines go to cutbench.engine (failures as warnings). FFmpeg's own lines
// go to cutbench.ffmpeg: its errors as warnings, its warnings as info, its information (stream
// listings, encoder statistics) as debug. cutbench.ffmpeg shows only warnings unless
// QT_LOGGING_RULES turns on more (e.g. "cutbench.ffmpeg.debug=true"). Lines above FFmpeg's own
// log level (av_log_set_level) are dropped as before.
#pragma once

// Installs the callback (once for the process; later calls do nothing). Any thread.
void routeFfmpegLog();
