// One join job: clips (ranges of files) one after the other into one output file, either by
// copying the streams or by re-encoding them to one common format with transitions.
//
// Ownership: the C functions own the job (apiMediaJoinCreate / Close). The output file stays
// only when the job finished; otherwise the file it created is removed.
// Threading: set-up, start() and close on one thread; stop() and progress() from any thread
// while start() blocks. The destructor stops a running start() and waits for it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "JobRun.h"
#include "JoinClip.h"
#include "KeptInput.h"
#include "OutputFormat.h"
#include "SourceReader.h"

namespace mediacore {

class OutputWriter;
class StreamCopy;

class JoinJob {
public:
    int setOutput(const std::string& path);
    uint64_t addClip(const std::string& path, int64_t startUs, int64_t endUs);
    int setVolume(uint64_t clip, int percent);
    int setTransition(uint64_t clip, int effect, int64_t lengthUs);
    int setVideoCodec(const char* name) { return format_.setVideoCodec(name); }
    int setAudioCodec(const char* name) { return format_.setAudioCodec(name); }
    int setAudioBitrate(int kbps) { return format_.setAudioBitrate(kbps); }
    int setAudioFormat(int channels, int sampleRate) { return format_.setAudioFormat(channels, sampleRate); }
    int setFrameSize(int width, int height) { return format_.setFrameSize(width, height); }
    int setFrameRate(double fps) { return format_.setFrameRate(fps); }
    int setVideoBitrate(int kbps) { return format_.setVideoBitrate(kbps); }

    // Blocks: 0 finished or stopped, negative on failure.
    int start();
    double progress() const { return run_.progress(); }
    void stop() { run_.stop(); }

    using Clip = JoinClip;

private:
    int run();
    int runCopy(OutputWriter& writer);
    // Where the copied sound of a clip goes on after a bridged seam: its packet of source time
    // sourceUs, placed at outputUs.
    struct Resume {
        int64_t sourceUs = INT64_MIN;
        int64_t outputUs = INT64_MIN;
        std::vector<PacketPtr> primers; // MP3 packets whose bits the resumed one takes
    };
    // Where a clip begins on the output, and how much later its sound does.
    struct Seam {
        int64_t pictureUs = 0;
        int64_t soundLateUs = 0;
    };
    int bridgeSeam(StreamCopy& copy, const Clip& c, int64_t readUs, Seam seam, Resume* resume);
    static int64_t soundLateUs(const Clip& c, SourceReader& reader);
    std::vector<int> otherSoundStreams(const std::vector<SourceReader>& readers) const;
    bool canCopy();
    bool canCopy(std::vector<SourceReader>& readers);
    Clip* find(uint64_t id);
    void reportProgress(int64_t doneUs);

    std::string output_;
    std::vector<Clip> clips_;
    // soundLateUs of each clip, found while canCopy() has the clips open.
    std::vector<int64_t> soundLateUs_;
    // The other sound streams the copy takes, found there too.
    std::vector<int> otherSound_;
    uint64_t nextId_ = 1;
    int64_t totalUs_ = 0;

    OutputFormat format_;
    InputPool inputs_; // every clip is probed once, when it is added
    JobRun run_;       // last: its destructor waits for a running start()
};

} // namespace mediacore
