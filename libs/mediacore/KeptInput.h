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

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "FfPointers.h"
#include "SourceIndex.h"

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

// The inputs one job opened, kept for the job's own later openings of the same unchanged files:
// a join opens every clip for its set-up, its checks and its copy, and each opening of an MP4
// reads its header and index again. Holds a few files at most (the oldest closed first) and
// closes them with the job. Threading: one thread.
class InputPool {
public:
    // An input of `path` at its start with every stream read: the pool's own when the file is
    // unchanged, else a new one (openInput, with `stop` and `progress`). 0 or a negative
    // AVERROR (logged).
    int open(const std::string& path, InputPtr* out, const std::atomic<bool>* stop = nullptr,
             const std::function<void(int64_t read, int64_t total)>& progress = {},
             ff::SourceIndex::Need need = ff::SourceIndex::Need::Now);
    // Gives an input of `path` back for a later open(); one that cannot be kept is closed.
    void giveBack(const std::string& path, InputPtr input);

private:
    struct Entry {
        std::string key;
        InputPtr input;
    };
    std::vector<Entry> kept_; // the newest last
};

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
