// What the fuzz targets share: a scratch folder of this process, the input written to a file
// there, and the control bytes in front of the input that pick a target's settings.
//
// Every target is one LLVMFuzzerTestOneInput. With clang and libFuzzer (scripts/fuzz) the
// fuzzer calls it; in every other build FuzzInputsMain.cpp calls it on kept inputs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// Takes `count` bytes off the front of the input; next() hands them out in order, then 0.
class Controls {
public:
    Controls(const std::uint8_t*& data, std::size_t& size, std::size_t count);
    std::uint8_t next() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
    template <class T, std::size_t N> const T& pick(const std::array<T, N>& table) {
        return table[next() % N];
    }

private:
    std::array<std::uint8_t, 16> bytes_{};
    std::size_t at_ = 0;
};

// A path in the scratch folder of this process; any file of that name is removed first.
std::string scratchPath(const std::string& name);
// Writes the bytes to a scratch file of that name and returns its path.
std::string writeScratch(const std::string& name, const std::uint8_t* data, std::size_t size);
// Silences FFmpeg's log (CUTBENCH_FUZZ_VERBOSE=1 keeps it): a fuzzer runs thousands of
// broken inputs a second and their complaints would cost more than the runs.
void quietLog();
// With CUTBENCH_FUZZ_VERBOSE=1, prints what a step of a target returned.
void trace(const char* step, long long result);

// File name extensions the inputs are saved under, so that both content and extension
// probing are exercised.
inline constexpr std::array<const char*, 16> kInputExtensions{"mp4",  "mkv", "avi", "mov", "ts",  "mpg",
                                                              "webm", "flv", "wmv", "3gp", "mp3", "wav",
                                                              "m4a",  "jpg", "png", "bin"};

} // namespace fuzz
