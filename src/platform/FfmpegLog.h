// FFmpeg's log (av_log) routed into the program's logging categories, so that FFmpeg never
// writes to stderr on its own (an export would otherwise print the encoder's statistics).
//
// The media libraries log through av_log too, on logging objects of the classes "MediaCore",
// "MediaFx" and "MediaPlayer": the engine's and the filter graph's lines go to cutbench.engine,
// the player's to cutbench.player (failures as warnings), whatever their text says. FFmpeg's
// own lines go to cutbench.ffmpeg: its errors as warnings, its warnings as info, its information (stream
// listings, encoder statistics) as debug. cutbench.ffmpeg shows only warnings unless
// QT_LOGGING_RULES turns on more (e.g. "cutbench.ffmpeg.debug=true"). Lines above FFmpeg's own
// log level (av_log_set_level) are dropped as before.
#pragma once

// Installs the callback (once for the process; later calls do nothing). Any thread.
void routeFfmpegLog();
