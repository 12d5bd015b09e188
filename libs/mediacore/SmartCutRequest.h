// What a smart cut is asked to do: which file, which streams, which range, and how large the
// output may grow. Shared by the convert job that asks and the cut's plan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediacore {

struct SmartCutRequest {
    std::string input;
    std::string output;
    int audioIndex = -1;         // the sound stream to copy, -1 for none
    std::vector<int> otherSound; // other sound streams copied beside it
    int64_t startUs = 0;         // on the source timeline (0 = the file's start)
    int64_t endUs = 0;
    // Bytes the output may reach (0 = no limit): it then ends before the first group of
    // pictures that would pass them.
    int64_t sizeLimit = 0;
};

} // namespace mediacore
