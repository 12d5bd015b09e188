// Open inputs kept for the next opening of the same unchanged file.
//
// A job and the windows open one file many times in a row: a convert job for its set-up, its
// range check and its cut, and a split once more for every part. Opening an MP4 or Matroska
// file reads its whole index (a long file's takes milliseconds); an input let go through
// keepOpen() is handed to the next openInput() of the same unchanged file (same path, size and
// modification time) instead, back at its start. Only files whose header describes their
// streams are kept; a few at most, the oldest closed first.
//
// Threading: keepOpen() and takeKeptInput() from any thread; a KeptInput on one thread.
#pragma once

#include <string>

#include "FfPointers.h"

namespace mediacore {

// Lets `input` of `path` go: kept for the next opening of the file, or closed.
void keepOpen(const std::string& path, InputPtr input);
// A kept input of the unchanged file `path`, at its start with every stream read; null when
// there is none.
InputPtr takeKeptInput(const std::string& path);
// Whether an input of this kind can be kept and taken back to its start.
bool keepable(const AVFormatContext* input);
// Takes `input` back to its start with every stream read; false when it cannot be.
bool rewindInput(AVFormatContext* input);

// An owned input that is kept open (keepOpen) when it is let go: replaced, or destroyed.
class KeptInput {
public:
    KeptInput() = default;
    KeptInput(const KeptInput&) = delete;
    KeptInput& operator=(const KeptInput&) = delete;
    ~KeptInput() { reset(); }

    void reset(const std::string& path = {}, InputPtr input = nullptr) {
        if (input_)
            keepOpen(path_, std::move(input_));
        path_ = path;
        input_ = std::move(input);
    }
    AVFormatContext* get() const { return input_.get(); }
    AVFormatContext* operator->() const { return input_.get(); }
    explicit operator bool() const { return input_ != nullptr; }
    // Lends the input out at its start, for a reader that would open the same file again;
    // null when there is none or it cannot be taken back to its start (then it stays here).
    // Give it back with giveBack().
    InputPtr lendAtStart() {
        return keepable(input_.get()) && rewindInput(input_.get()) ? std::move(input_) : nullptr;
    }
    void giveBack(InputPtr input) {
        if (input)
            input_ = std::move(input);
    }

private:
    std::string path_;
    InputPtr input_;
};

} // namespace mediacore
