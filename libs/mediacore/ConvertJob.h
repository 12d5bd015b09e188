// One convert job: a range of one input file, through the picture and sound settings, into
// one output file, re-encoded or copied.
//
// Ownership: the C functions own the job (apiMediaConvertCreate / Close). The job owns its
// input, output writer and filter graphs only while start() runs; the output file stays only
// when the job finished, otherwise the file it created is removed.
// Threading: set-up, start() and close on one thread (the caller's); stop() and progress()
// from any thread while start() blocks. The destructor stops a running start() and waits for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "FfPointers.h"
#include "FxSettings.h"
#include "JobRun.h"
#include "KeptInput.h"
#include "OutputFormat.h"
#include "mediacore/MediaRecords.h"

namespace mediafx {
class FxGraph;
}

namespace mediacore {

struct ConvertPlan;

class ConvertJob {
public:
    ConvertJob() = default;

    int setInput(const std::string& path);
    int setOutput(const std::string& path);
    int setCut(int64_t startUs, int64_t endUs);
    int setSizeLimit(int64_t bytes);
    int setVideoCodec(const char* name) { return format_.setVideoCodec(name); }
    int setAudioCodec(const char* name) { return format_.setAudioCodec(name); }
    int setFrameSize(int width, int height) { return format_.setFrameSize(width, height); }
    int setVideoBitrate(int kbps) { return format_.setVideoBitrate(kbps); }
    int setFrameRate(double fps) { return format_.setFrameRate(fps); }
    int setAudioBitrate(int kbps) { return format_.setAudioBitrate(kbps); }
    int setAudioFormat(int channels, int sampleRate) { return format_.setAudioFormat(channels, sampleRate); }
    int setAudioIndex(int index);
    int setMainVolume(double volume);
    int disableMainAudio();
    int setSubtitle(const SUBTITLE_PARAM& param);
    int addEffect(int id);
    int setBCS(int brightness, int contrast, int saturation);
    int setCrop(const RECT& margins);
    int setHFlip(bool on);
    int setVFlip(bool on);
    int setRotation(int degrees);
    int addImageMark(const IMAGE_WATERMARK_PARAM& param);
    int addTextMark(const TEXT_WATERMARK_PARAM& param);
    int addVideoMark(const VIDEO_WATERMARK_PARAM& param);
    int addMusic(const mediafx::MusicTrack& track);

    int audioInfo(int* count, MEDIA_AUDIO_STREAM_INFO* buffer) const;
    int videoInfo(int* count, MEDIA_VIDEO_STREAM_INFO* buffer) const;
    int64_t duration() const;

    // Blocks until the job ends: 1 finished (or stopped), negative on failure.
    int start();
    int progress() const { return int(run_.progress()); }
    // The length of the output once start() has written it; 0 until then.
    int64_t outputDuration() const { return outputUs_.load(); }
    void stop() { run_.stop(); }

    static void setDrawTextCallback(DRAW_TEXT_CALLBACK callback);

private:
    int run();
    bool runSmartCut(int* result);
    int addStreams(ConvertPlan& p, class SourceReader& reader, class OutputWriter& writer,
                   const mediafx::FxSettings& fx, int keepRotation, mediafx::FxGraph& graph,
                   AVRational* videoTb);
    int runWithinLimit();
    bool pacedByLength() const;
    bool runPaced(int64_t limit, int* result);
    int indexInput();
    int runUnder(int64_t limit);
    int plan(class SourceReader& reader, class OutputWriter& writer, ConvertPlan* p);
    void placeRange(class SourceReader& reader, int64_t d, ConvertPlan* p);
    bool rangeHoldsPicture(int64_t startUs, int64_t endUs);
    bool decodedPictureIn(int64_t startUs, int64_t endUs) const;
    bool soundEndsBefore(int audioIndex, int64_t startUs) const;
    bool canCutSmartly(struct SmartCutRequest* request) const;
    std::vector<int> otherSoundStreams(int mainIndex, const AVOutputFormat* container) const;
    bool fillsTooLittle(int64_t limit) const;
    int64_t frameUs() const;
    int64_t largestPictureBytes() const;
    bool pauseAtEdge(bool silent);
    int refill(int64_t limit);
    // Builds the picture graph and opens `codec` for it; 0 or a negative AVERROR (logged).
    int openVideoEncoder(const AVCodec* codec, class SourceReader& reader, class OutputWriter& writer,
                         const mediafx::FxSettings& fx, int keepRotation, mediafx::FxGraph& graph);
    int openAudioEncoder(const AVCodec* codec, class SourceReader& reader, class OutputWriter& writer,
                         const mediafx::FxSettings& fx, mediafx::FxGraph& graph);

    std::string input_;
    std::string output_;
    KeptInput probe_; // kept open for the job's own cut and the next job on the file
    int64_t cutStart_ = 0;
    int64_t cutEnd_ = 0; // 0 = to the end
    int64_t sizeLimit_ = 0;
    // The share of the source's picture rate a capped part kept in its codec is encoded at.
    double rateShare_ = 1.0;
    int audioIndex_ = -1;
    bool rotationSet_ = false;
    // A keep-format cut re-encoded after all starts, like a copied one, with its first picture
    // at time 0.
    bool startOnPicture_ = false;
    // Whether the last run copied whole groups of pictures, and whether the next may not.
    bool copiedGroups_ = false;
    bool framesOnly_ = false;
    std::atomic<int64_t> outputUs_{0};
    // From the range's start to its first picture, where it starts in a pause of the recording.
    int64_t leadUs_ = 0;
    // The last run's length up to the end of its last picture's own length (0: as outputUs_).
    int64_t shownUs_ = 0;
    mediafx::FxSettings fx_;

    OutputFormat format_;
    JobRun run_; // last: its destructor waits for a running start()
};

} // namespace mediacore
