#include "ConvertJob.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "ConvertPass.h"
#include "EffectTable.h"
#include "EngineLog.h"
#include "FieldPackets.h"
#include "FxGraph.h"
#include "MusicMix.h"
#include "OutputWriter.h"
#include "SmartCut.h"
#include "SourceEnd.h"
#include "SourceGraph.h"
#include "SourceIndex.h"
#include "SourceReader.h"
#include "StreamProbe.h"
#include "SubtitleFile.h"
#include "mediacore/MediaCore.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace mediacore {

namespace {

std::atomic<DRAW_TEXT_CALLBACK> gDrawText{nullptr};

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return a == b;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

void ConvertJob::setDrawTextCallback(DRAW_TEXT_CALLBACK callback) {
    gDrawText = callback;
}

int ConvertJob::setInput(const std::string& path) {
    InputPtr probe;
    // A long MPEG stream's index takes a while to read: a stop ends it, progress shows it.
    // A window's probe and range checks are jobs that are never started: a large MPEG stream
    // whose index is not at hand is read by its stored times, as the window showed it, and its
    // index, read behind, is waited for at the start.
    const int r = openInput(
        path, &probe, &run_.stopFlag(), [this](int64_t read, int64_t total) { run_.report(read, total); },
        ff::SourceIndex::Need::WhereStoredTimesFail);
    if (r < 0)
        return r;
    if (durationUs(probe.get()) <= 0)
        return logFailure("no duration in " + path, AVERROR_INVALIDDATA);
    input_ = path;
    probe_.reset(path, std::move(probe));
    return 1;
}

int ConvertJob::setOutput(const std::string& path) {
    if (path.empty())
        return logFailure("empty output path", AVERROR(EINVAL));
    if (!input_.empty() && sameFile(path, input_))
        return logFailure("the output would replace the input " + path, AVERROR(EEXIST));
    if (fileExists(path))
        return logFailure("the output exists already: " + path, AVERROR(EEXIST));
    if (!av_guess_format(nullptr, path.c_str(), nullptr))
        return logFailure("no container for the name " + path, AVERROR_MUXER_NOT_FOUND);
    output_ = path;
    return 1;
}

int ConvertJob::setCut(int64_t startUs, int64_t endUs) {
    if (startUs < 0 || endUs <= startUs)
        return logFailure("cut range", AVERROR(EINVAL));
    const int64_t d = duration();
    if (d > 0 && startUs >= d)
        return logFailure("the cut starts after the end", AVERROR(EINVAL));
    const int64_t end = d > 0 ? std::min(endUs, d) : endUs;
    // A file's sound may run on past its last picture: a range there would give a part of a
    // picture file without any picture.
    if (!input_.empty() && firstVideoStream(probe_.get()) >= 0 && !rangeHoldsPicture(startUs, end))
        return logFailure("no picture of " + input_ + " lies in the cut range", AVERROR_STREAM_NOT_FOUND);
    cutStart_ = startUs;
    cutEnd_ = end;
    return 1;
}

int ConvertJob::setSizeLimit(int64_t bytes) {
    if (bytes <= 0)
        return logFailure("size limit", AVERROR(EINVAL));
    sizeLimit_ = bytes;
    return 1;
}

int ConvertJob::setAudioIndex(int index) {
    audioIndex_ = index;
    return 1;
}

int ConvertJob::setMainVolume(double volume) {
    if (!std::isfinite(volume))
        return logFailure("volume", AVERROR(EINVAL));
    fx_.volume = std::clamp(volume, 0.0, 2.0);
    return 1;
}

int ConvertJob::disableMainAudio() {
    fx_.mainAudioDisabled = true;
    return 1;
}

int ConvertJob::setSubtitle(const SUBTITLE_PARAM& param) {
    const std::string path = mediarecords::readText(param.path);
    if (!path.empty() && !fileExists(path))
        return logFailure("subtitle file " + path, AVERROR(ENOENT));
    // A file too large, or with a subtitle too long, to be drawn in bounded time is refused
    // now rather than left to hang the export.
    if (const int r = path.empty() ? 0 : mediafx::checkSubtitleFile(path); r < 0)
        return logFailure("subtitle file " + path, r);
    fx_.subtitle = param;
    return 1;
}

int ConvertJob::addEffect(int id) {
    // An effect the engine cannot draw is refused here: the export would otherwise finish
    // without it, as if it had been applied.
    if (!mediafx::findEffect(id))
        return logFailure("unknown image effect " + std::to_string(id), AVERROR(EINVAL));
    if (std::find(fx_.effects.begin(), fx_.effects.end(), id) == fx_.effects.end())
        fx_.effects.push_back(id);
    return 1;
}

int ConvertJob::setBCS(int brightness, int contrast, int saturation) {
    fx_.brightness = std::clamp(brightness, -255, 255);
    fx_.contrast = std::clamp(contrast, -100, 100);
    fx_.saturation = std::clamp(saturation, -100, 100);
    return 1;
}

int ConvertJob::setCrop(const RECT& margins) {
    if (margins.left < 0 || margins.top < 0 || margins.right < 0 || margins.bottom < 0)
        return logFailure("crop margins", AVERROR(EINVAL));
    fx_.crop = margins;
    return 1;
}

int ConvertJob::setHFlip(bool on) {
    fx_.hflip = on;
    return 1;
}

int ConvertJob::setVFlip(bool on) {
    fx_.vflip = on;
    return 1;
}

int ConvertJob::setRotation(int degrees) {
    fx_.rotation = mediafx::normalisedRotation(degrees);
    rotationSet_ = true;
    return 1;
}

int ConvertJob::addImageMark(const IMAGE_WATERMARK_PARAM& param) {
    if (!fileExists(mediarecords::readText(param.path)))
        return logFailure("watermark picture", AVERROR(ENOENT));
    fx_.imageMarks.push_back(param);
    return 1;
}

int ConvertJob::addTextMark(const TEXT_WATERMARK_PARAM& param) {
    fx_.textMarks.push_back(param);
    return 1;
}

int ConvertJob::addVideoMark(const VIDEO_WATERMARK_PARAM& param) {
    if (!fileExists(mediarecords::readText(param.path)))
        return logFailure("watermark video", AVERROR(ENOENT));
    fx_.videoMarks.push_back(param);
    return 1;
}

int ConvertJob::addMusic(const mediafx::MusicTrack& track) {
    if (!fileExists(track.path))
        return logFailure("music file " + track.path, AVERROR(ENOENT));
    if (track.musicEndUs <= track.musicStartUs || track.videoEndUs <= track.videoStartUs ||
        track.musicStartUs < 0)
        return logFailure("music ranges", AVERROR(EINVAL));
    if (!mediafx::hasSound(track.path))
        return logFailure("music file without sound " + track.path, AVERROR_INVALIDDATA);
    fx_.music.push_back(track);
    return 1;
}

int ConvertJob::audioInfo(int* count, MEDIA_AUDIO_STREAM_INFO* buffer) const {
    if (!count || !probe_)
        return AVERROR(EINVAL);
    int n = 0;
    const int capacity = *count;
    for (unsigned i = 0; i < probe_->nb_streams; ++i) {
        if (probe_->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        if (buffer && n < capacity)
            fillAudioInfo(probe_.get(), int(i), &buffer[n]);
        ++n;
    }
    if (!buffer)
        *count = n;
    return 1;
}

int ConvertJob::videoInfo(int* count, MEDIA_VIDEO_STREAM_INFO* buffer) const {
    if (!count || !probe_)
        return AVERROR(EINVAL);
    int n = 0;
    const int capacity = *count;
    for (unsigned i = 0; i < probe_->nb_streams; ++i) {
        const AVStream* s = probe_->streams[i];
        if (s->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || (s->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        if (buffer && n < capacity)
            fillVideoInfo(probe_.get(), int(i), &buffer[n]);
        ++n;
    }
    if (!buffer)
        *count = n;
    return 1;
}

int64_t ConvertJob::duration() const {
    return probe_ ? durationUs(probe_.get()) : 0;
}

int ConvertJob::start() {
    return run_.run(
        [this] {
            const int r = indexInput();
            return r < 1 ? r : runWithinLimit();
        },
        1);
}

// The index a set-up read behind is waited for (its reading is the start's progress). A range
// set on the stored times the set-up showed holds the same pictures on the index's line, which
// leaves out a jump of those times, and one to the end reaches its end; one whose end the
// stored times put on two pictures is refused.
int ConvertJob::indexInput() {
    const int v = probe_ ? firstVideoStream(probe_.get()) : -1;
    if (v < 0 || ff::SourceIndex::get(probe_.get()))
        return 1;
    const int64_t before = duration();
    if (!ff::SourceIndex::attach(probe_.get(), v, &run_.stopFlag(),
                                 [this](int64_t read, int64_t total) { run_.report(read, total); }))
        return 1;
    run_.restart();
    if (cutStart_ > 0 || cutEnd_ > 0) {
        int64_t start = 0, end = 0;
        bool placed = ff::SourceIndex::mapShown(probe_.get(), cutStart_, &start);
        if (cutEnd_ <= 0)
            end = 0;
        else if (cutEnd_ >= before)
            end = duration();
        else
            placed = ff::SourceIndex::mapShown(probe_.get(), cutEnd_, &end) && placed;
        if (!placed || (end > 0 && end <= start))
            return logFailure("the range set on the stored times of " + input_ + " holds other pictures",
                              MEDIACORE_ERROR_RANGE_UNPLACED);
        cutStart_ = start;
        cutEnd_ = end;
    }
    for (mediafx::MusicTrack& m : fx_.music) { // under the same pictures
        m.videoStartUs = ff::SourceIndex::lineUsOfShown(probe_.get(), m.videoStartUs);
        m.videoEndUs =
            std::max(m.videoStartUs + 1, ff::SourceIndex::lineUsOfShown(probe_.get(), m.videoEndUs));
    }
    return 1;
}

namespace {

// How one stream goes into the output: copied when the settings keep it (or ask for a copy)
// and the container takes the source's codec, else encoded with `*encoder`. `copyable` is
// false when there is no source stream to copy. 0 or a negative AVERROR (logged).
int chooseMode(const CodecSetting& setting, AVCodecID source, bool copyable, bool cut, bool changes,
               bool copyOrFail, const AVOutputFormat* container, AVMediaType type, ConvertPlan::Mode* mode,
               const AVCodec** encoder) {
    const char* what = type == AVMEDIA_TYPE_VIDEO ? "video" : "audio";
    const bool fits = copyable && containerAccepts(container, source);
    switch (setting.kind) {
    case CodecSetting::Invalid:
        return logFailure(std::string("unknown ") + what + " codec " + setting.name,
                          AVERROR_ENCODER_NOT_FOUND);
    case CodecSetting::Copy:
    case CodecSetting::Keep:
        if (!changes && fits && (setting.kind == CodecSetting::Copy || !cut)) {
            *mode = ConvertPlan::Copy;
            return 0;
        }
        if (setting.kind == CodecSetting::Copy && copyOrFail && !changes)
            return logFailure(std::string("the container cannot hold ") + avcodec_get_name(source),
                              AVERROR(EINVAL));
        *encoder = source != AV_CODEC_ID_NONE ? preferredEncoder(source) : nullptr;
        // Kept sound whose only encoder here is experimental (DTS's) is copied, cut at its
        // packets' edges, rather than written in another codec.
        if (setting.kind == CodecSetting::Keep && type == AVMEDIA_TYPE_AUDIO && !changes && fits &&
            !*encoder && avcodec_find_encoder(source)) {
            *mode = ConvertPlan::Copy;
            return 0;
        }
        break;
    case CodecSetting::Named:
        *encoder = setting.encoder;
        break;
    }
    if (!*encoder || !containerAccepts(container, (*encoder)->id)) {
        if (setting.kind == CodecSetting::Named)
            return logFailure(std::string("the container cannot hold ") + setting.encoder->name,
                              AVERROR(EINVAL));
        *encoder = containerDefaultEncoder(container, type);
        if (*encoder && source != AV_CODEC_ID_NONE && setting.kind != CodecSetting::Named)
            logWarning(std::string("the ") + what + " is written as " + avcodec_get_name((*encoder)->id) +
                       ": " + avcodec_get_name(source) + " cannot be encoded or held here");
    }
    if (!*encoder)
        return logFailure(std::string("no ") + what + " encoder", AVERROR_ENCODER_NOT_FOUND);
    *mode = ConvertPlan::Encode;
    return 0;
}

} // namespace

namespace {

// AVI gives each picture only its place in the file. H.264 there reorders within closed groups
// of pictures, so its pictures are placed by counting from a keyframe; other codecs that reorder
// (MPEG-4 with B-frames) store pictures that belong before a keyframe after it, and some with a
// time the demuxer guessed: where a range starts and ends cannot be told to the picture.
bool placesPicturesExactly(const AVFormatContext* format, const AVStream* video) {
    const AVCodecID id = video->codecpar->codec_id;
    return !format->iformat || std::strcmp(format->iformat->name, "avi") != 0 ||
           video->codecpar->video_delay <= 0 || id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC;
}

} // namespace

// A cut that keeps the sound as it is keeps every sound stream of the file (languages,
// commentary) unless the caller chose one: the others are copied beside the main one.
std::vector<int> ConvertJob::otherSoundStreams(int mainIndex, const AVOutputFormat* container) const {
    std::vector<int> others;
    const CodecSetting::Kind kind = format_.audioCodec.kind;
    if (audioIndex_ >= 0 || mainIndex < 0 || (kind != CodecSetting::Keep && kind != CodecSetting::Copy) ||
        format_.changesSound() || fx_.mainAudioDisabled || fx_.volume != 1.0 || !fx_.music.empty())
        return others;
    for (unsigned i = 0; i < probe_->nb_streams; ++i) {
        const AVCodecParameters* par = probe_->streams[i]->codecpar;
        if (int(i) == mainIndex || par->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        if (containerAccepts(container, par->codec_id))
            others.push_back(int(i));
        else
            logInfo("sound stream " + std::to_string(i) + " does not fit the output and is left out");
    }
    return others;
}

int ConvertJob::plan(SourceReader& reader, OutputWriter& writer, ConvertPlan* p) {
    const AVOutputFormat* container = writer.container();
    const int vIndex = firstVideoStream(probe_.get());
    AVStream* vs = vIndex >= 0 ? probe_->streams[vIndex] : nullptr;
    int aIndex = audioIndex_;
    if (aIndex < 0 || unsigned(aIndex) >= probe_->nb_streams ||
        probe_->streams[aIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        aIndex = firstAudioStream(probe_.get());
    AVStream* as = aIndex >= 0 ? probe_->streams[aIndex] : nullptr;

    const int64_t d = duration();
    p->start = cutStart_;
    p->end = cutEnd_ > 0 ? cutEnd_ : d;
    p->toFileEnd = p->end >= d;
    if (p->end <= p->start)
        return logFailure("empty range", AVERROR(EINVAL));
    const bool cut = p->start > 0 || p->end < d;
    if (cut && vs && !placesPicturesExactly(probe_.get(), vs))
        return logFailure("a range of " + input_ +
                              " cannot be cut exactly: its AVI stores no times for pictures it reorders (" +
                              avcodec_get_name(vs->codecpar->codec_id) + " with B-frames)",
                          MEDIACORE_ERROR_INEXACT_CUT);
    int r;
    if (vs && holdsMovingPictures(container, output_) &&
        (r = chooseMode(format_.videoCodec, vs->codecpar->codec_id, true, cut,
                        fx_.changesPicture() || format_.changesPicture(), true, container, AVMEDIA_TYPE_VIDEO,
                        &p->video, &p->videoEncoder)) < 0)
        return r;
    // A range past the end of the sound (a recording's sound may stop before its last pictures)
    // gets no sound stream, rather than one without a packet. Only a range that starts near the
    // end the sound's header tells is read for it.
    const bool soundOver = as && vs && !fx_.mainAudioDisabled && fx_.music.empty() && p->start > 0 &&
                           p->start > streamEndUs(probe_.get(), as) - 1000000 &&
                           soundEndsBefore(aIndex, p->start);
    if (soundOver)
        logInfo("the sound of " + input_ + " ends before the range: no sound stream");
    const bool wantSound = (as && !fx_.mainAudioDisabled && !soundOver) || !fx_.music.empty();
    if (wantSound && container->audio_codec != AV_CODEC_ID_NONE) {
        p->silentMain = !as || fx_.mainAudioDisabled;
        if ((r = chooseMode(format_.audioCodec, as ? as->codecpar->codec_id : AV_CODEC_ID_NONE,
                            !p->silentMain, cut, fx_.changesSound() || format_.changesSound(), false,
                            container, AVMEDIA_TYPE_AUDIO, &p->audio, &p->audioEncoder)) < 0)
            return r;
    }
    if (p->video == ConvertPlan::None && p->audio == ConvertPlan::None)
        return logFailure("nothing of " + input_ + " fits into " + output_, AVERROR(EINVAL));

    const bool readSound = p->audio != ConvertPlan::None && !p->silentMain;
    if (readSound)
        p->otherSound = otherSoundStreams(aIndex, container);
    if ((r = reader.open(input_, aIndex, p->video != ConvertPlan::None, readSound,
                         p->video == ConvertPlan::Encode, p->audio == ConvertPlan::Encode)) < 0)
        return r;
    placeRange(reader, d, p);
    return 0;
}

// Where the range starts and ends on the pictures, and the source time of the output's start.
void ConvertJob::placeRange(SourceReader& reader, int64_t d, ConvertPlan* p) {
    leadUs_ = 0;
    // A range that starts in a pause of the recording shows the picture held through it from
    // its start, with the sound that runs on there: laid end to end, parts give the whole line.
    if (p->video == ConvertPlan::Encode && p->start > 0)
        p->heldUs = reader.heldPictureUs(p->start);
    p->holdToEnd = p->video == ConvertPlan::Encode && (p->audio == ConvertPlan::None || p->silentMain) &&
                   p->end < d && reader.heldPictureUs(p->end) != AV_NOPTS_VALUE;
    if (p->video == ConvertPlan::Encode && p->start > 0 && p->heldUs == AV_NOPTS_VALUE) {
        // Between two frames the range begins with the next one, and so does its sound: the
        // first picture is at time 0, and no sound plays before it.
        const int64_t first = reader.firstPictureFromUs(p->start);
        if (first != AV_NOPTS_VALUE && first > p->start && first < p->end) {
            leadUs_ = first - p->start > reader.frameDurationUs() ? first - p->start : 0;
            p->start = first;
        }
    }
    if (p->video == ConvertPlan::Encode && p->end < d) {
        // A range that ends inside a picture keeps that picture whole, and its sound with it:
        // it ends where the next picture begins.
        const int64_t next = reader.firstPictureFromUs(p->end);
        if (next != AV_NOPTS_VALUE && next > p->end && next - p->end < reader.frameDurationUs())
            p->end = next;
        if (p->start <= 0)
            reader.seek(0); // back from the look at the end (a later start seeks anyway)
    }
    p->shift = p->start;
    // A whole part: a copy keeps the pictures shown before the first keyframe too. (A capped
    // part, whose length places the next, starts at its start.)
    if (p->video == ConvertPlan::Copy && p->start <= 0 && sizeLimit_ <= 0)
        p->shift = std::min<int64_t>(p->start, leadingPicturesUs(reader));
    if (p->video == ConvertPlan::Copy && p->start > 0) {
        // A copied picture can only begin on the keyframe before the cut.
        const int64_t key = reader.firstVideoPacketUs(p->start);
        if (key != AV_NOPTS_VALUE)
            p->shift = std::min(key, p->start);
        if (key != AV_NOPTS_VALUE && key - p->start > reader.frameDurationUs())
            leadUs_ = key - p->start;
    }
}

// The smart cut, when the range allows one: true when it handled the job, its result in
// *result; false when the job is to be converted frame by frame.
bool ConvertJob::runSmartCut(int* result) {
    SmartCutRequest request;
    startOnPicture_ = canCutSmartly(&request) && !pauseAtEdge(request.audioIndex < 0);
    copiedGroups_ = false;
    if (!startOnPicture_ || framesOnly_)
        return false;
    SmartCut cut(request, run_.stopFlag(), [this](int64_t done, int64_t total) { run_.report(done, total); });
    cut.useInput(probe_.lendAtStart());
    const int r = cut.run();
    probe_.giveBack(cut.releaseInput());
    outputUs_ = cut.writtenUs();
    if (r == SmartCut::kDeclined)
        return false;
    copiedGroups_ = true;
    if (r >= 1 && !run_.stopped())
        run_.finished();
    *result = r;
    return true;
}

// The output's streams as planned: the picture and the main sound copied or encoded (their
// graphs built), the other sound streams copied. *videoTb gets the encoded pictures' time base.
int ConvertJob::addStreams(ConvertPlan& p, SourceReader& reader, OutputWriter& writer,
                           const mediafx::FxSettings& fx, int keepRotation, mediafx::FxGraph& graph,
                           AVRational* videoTb) {
    int r = 0;
    if (p.video == ConvertPlan::Copy) {
        if ((r = writer.addCopy(OutputWriter::Video, reader.video(), SourceIndex::get(reader.format()))) < 0)
            return r;
        const char* container = reader.format()->iformat->name;
        if (std::strcmp(container, "mpeg") == 0 || std::strcmp(container, "mpegts") == 0)
            writer.keepDecodingTimes(OutputWriter::Video);
    } else if (p.video == ConvertPlan::Encode) {
        // A codec kept from the source that cannot be written here gives way to the container's.
        r = openVideoEncoder(p.videoEncoder, reader, writer, fx, keepRotation, graph);
        const AVCodec* fallback = containerDefaultEncoder(writer.container(), AVMEDIA_TYPE_VIDEO);
        if (r < 0 && format_.videoCodec.kind != CodecSetting::Named && fallback &&
            fallback != p.videoEncoder) {
            logInfo(std::string("the picture is encoded with ") + fallback->name + " instead of " +
                    p.videoEncoder->name);
            r = openVideoEncoder(fallback, reader, writer, fx, keepRotation, graph);
        }
        if (r < 0)
            return r;
        *videoTb = graph.videoTimeBase();
    }
    if (p.audio == ConvertPlan::Copy && (r = writer.addCopy(OutputWriter::Audio, reader.audio())) < 0)
        return r;
    if (p.audio == ConvertPlan::Encode &&
        (r = openAudioEncoder(p.audioEncoder, reader, writer, fx, graph)) < 0)
        return r;
    if (p.audio == ConvertPlan::Encode && !p.silentMain)
        writer.copyTags(OutputWriter::Audio, reader.audio());
    for (const int other : p.otherSound) {
        if ((r = writer.addOtherCopy(reader.format()->streams[other])) < 0)
            return r;
        reader.addOtherSound(other);
    }
    return 0;
}

int ConvertJob::run() {
    if (input_.empty() || !probe_)
        return logFailure("no input", AVERROR(EINVAL));
    if (output_.empty())
        return logFailure("no output path", AVERROR(EINVAL));
    outputUs_ = 0;
    shownUs_ = leadUs_ = 0;
    int r = 0;
    if (runSmartCut(&r))
        return r;
    OutputWriter writer;
    if ((r = writer.create(output_)) < 0)
        return r;
    SourceReader reader;
    ConvertPlan p;
    if ((r = plan(reader, writer, &p)) < 0)
        return r;

    mediafx::FxSettings fx = fx_;
    fx.timelineStartUs = p.shift;
    fx.timelineDurationUs = p.end - p.shift;
    // Without an explicit turn the picture keeps its pixels and its display rotation.
    int keepRotation = 0;
    if (!rotationSet_) {
        fx.rotation = 0;
        if (reader.video())
            keepRotation = streamRotation(reader.video());
    }
    mediafx::FxGraph graph;
    graph.setDrawTextCallback(gDrawText.load());
    AVRational videoTb{1, 1};
    // The encoder is set up from the range's own pictures, not the file's first.
    const bool shaped = p.video == ConvertPlan::Encode &&
                        reader.takeRangeShape(p.heldUs != AV_NOPTS_VALUE ? p.heldUs : p.start, p.end);
    if ((r = addStreams(p, reader, writer, fx, keepRotation, graph, &videoTb)) < 0)
        return r;
    if ((r = writer.start()) < 0)
        return r;
    if (p.shift > 0 || p.start > 0 || shaped)
        reader.seek(p.heldUs != AV_NOPTS_VALUE ? p.heldUs : p.shift);
    ConvertPass pass(p, reader, writer, graph, videoTb, sizeLimit_, run_, input_);
    r = pass.run();
    // Written packets may lack durations: the length is the picture's, which ends where the
    // source's next picture begins (a split's next part starts there).
    // A range that starts in a pause counts from its start (a copy's output does already): a
    // split's next part follows on from where this one ends, not from its first picture.
    const int64_t lead = p.video == ConvertPlan::Encode ? leadUs_ : 0;
    outputUs_ = r >= 1 && !run_.stopped() ? pass.pictureUs() + lead : 0;
    shownUs_ = r >= 1 && !run_.stopped() ? pass.pictureUs(false) + lead : 0;
    return r;
}

// The sound encoder, and the sound graph that feeds it from the source's decoder (or from
// silence, when the main sound is left out).
int ConvertJob::openAudioEncoder(const AVCodec* codec, SourceReader& reader, OutputWriter& writer,
                                 const mediafx::FxSettings& fx, mediafx::FxGraph& graph) {
    AVCodecContext* dec = reader.audioDecoder();
    const int sourceRate = dec ? dec->sample_rate : 44100;
    const int sourceChannels = dec ? dec->ch_layout.nb_channels : 2;
    AudioEncoding encoding;
    encoding.codec = codec;
    encoding.sampleRate = pickSampleRate(codec, format_.sampleRate > 0 ? format_.sampleRate : sourceRate);
    encoding.channels =
        pickChannels(codec, format_.channels > 0 ? format_.channels : std::min(sourceChannels, 8));
    encoding.format = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    encoding.bitRate = int64_t(format_.audioKbps) * 1000;
    if (encoding.bitRate == 0 && dec && format_.audioCodec.kind == CodecSetting::Keep)
        encoding.bitRate = sourceBitRate(reader.audio()->codecpar);
    // The encoder may take another rate or fewer channels than asked: the sound is made to fit.
    int r = writer.addAudioEncoder(encoding);
    if (r < 0)
        return r;
    const AVCodecContext* encoder = writer.encoder(OutputWriter::Audio);
    mediafx::AudioOutput out;
    out.sampleRate = encoder->sample_rate;
    out.channels = encoder->ch_layout.nb_channels;
    out.formats = {encoder->sample_fmt};
    r = buildSourceAudio(graph, fx, dec, out);
    return r < 0 ? logFailure("sound settings", r) : 0;
}

} // namespace mediacore
