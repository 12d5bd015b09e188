// The split benchmark (BenchSplit.cpp).
#pragma once

#include <filesystem>

struct SplitTimes {
    double engine = 0;
    double ffmpeg = 0;
    int parts = 0;
};

// Splits the cached 600 s 1080p file into parts of at most 100 MiB, by the splitter and by
// ffmpeg's segment muxer, in scratch folders under `dir`. False when either failed or a part
// passed the cap.
bool benchSplit(const std::filesystem::path& dir, SplitTimes* times);
