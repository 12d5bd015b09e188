#include "JoinJob.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/stat.h>

#include "EngineLog.h"
#include "FfPointers.h"
#include "FieldPackets.h"
#include "FrameLane.h"
#include "JoinEncode.h"
#include "OutputWriter.h"
#include "SoundBridge.h"
#include "SourceEnd.h"
#include "SourceIndex.h"
#include "SourceReader.h"
#include "StreamCopy.h"
#include "StreamProbe.h"
#include "mediacore/MediaCore.h"

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/pixdesc.h>
}

namespace mediacore {

namespace {

constexpr int64_t kEpsilon = 1000;

// Whether `clip` holds the other sound streams `others` of `first` alike.
bool sameOtherSound(const AVFormatContext* first, const AVFormatContext* clip,
                    const std::vector<int>& others) {
    if (clip->nb_streams != first->nb_streams)
        return false;
    for (const int k : others) {
        const AVCodecParameters *p = clip->streams[k]->codecpar, *q = first->streams[k]->codecpar;
        if (p->codec_type != q->codec_type || p->codec_id != q->codec_id ||
            p->sample_rate != q->sample_rate || p->ch_layout.nb_channels != q->ch_layout.nb_channels)
            return false;
    }
    return true;
}

bool sameBytes(const uint8_t* a, int na, const uint8_t* b, int nb) {
    return na == nb && (na == 0 || std::memcmp(a, b, size_t(na)) == 0);
}

// How far sound may run on past a file's last picture and still be left out of a whole clip:
// what an encoder's last frame or a recorder stopping its sound a little later adds. Sound that
// runs on longer is heard, over the last picture held.
constexpr int64_t kSoundPastPictureUs = 1000000;

// Where a clip that runs to the end of its file ends: where its picture stream does, on the
// picture grid, when the sound runs on only a little past it. Counted to the sound's end, the
// clip would show its last picture again, and a copy would put the next clip's pictures that
// much off their grid (the times each seam then adds become decoding times out of order).
int64_t wholeClipEndUs(const AVFormatContext* format, int64_t contentEndUs) {
    const int v = firstVideoStream(format);
    if (v < 0)
        return contentEndUs;
    const AVStream* s = format->streams[v];
    const int64_t end = std::min(streamEndUs(format, s), contentEndUs);
    if (end <= 0 || contentEndUs - end > kSoundPastPictureUs)
        return contentEndUs;
    // A container's times rounded to milliseconds leave the end a little off the grid.
    const AVRational frame = av_inv_q(streamFrameRate(s));
    const int64_t grid = av_rescale_q(av_rescale_q(end, kMicro, frame), frame, kMicro);
    return std::abs(grid - end) <= pictureDurationUs(s) / 4 ? grid : end;
}

// Where a file's first packet lies on its timeline (which starts at its first picture): sound
// stored ahead of the picture lies before it.
int64_t fileStartUs(const SourceReader& reader) {
    const int64_t start = reader.format()->start_time;
    return start == AV_NOPTS_VALUE ? 0 : std::min<int64_t>(0, start - reader.originUs());
}

// The sound a packet marks to be skipped at its start.
int64_t skippedUs(const AVPacket* packet, const AVStream* s) {
    size_t size = 0;
    const uint8_t* skip = av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    const int rate = s->codecpar->sample_rate;
    return skip && size >= 4 && rate > 0 ? av_rescale(AV_RL32(skip), 1000000, rate) : 0;
}

} // namespace

int JoinJob::setOutput(const std::string& path) {
    struct stat st {};
    if (path.empty())
        return logFailure("empty output path", AVERROR(EINVAL));
    if (::stat(path.c_str(), &st) == 0)
        return logFailure("the output exists already: " + path, AVERROR(EEXIST));
    if (!av_guess_format(nullptr, path.c_str(), nullptr))
        return logFailure("no container for the name " + path, AVERROR_MUXER_NOT_FOUND);
    output_ = path;
    return 1;
}

uint64_t JoinJob::addClip(const std::string& path, int64_t startUs, int64_t endUs) {
    InputPtr probe;
    // A long MPEG clip's index takes a while to read: a stop ends it, progress shows it. The
    // range may have been set on its stored times, before the window had the index: the
    // opening is first on the line the window then showed.
    const auto progress = [this](int64_t read, int64_t total) { run_.report(read, total); };
    if (inputs_.open(path, &probe, &run_.stopFlag(), progress, SourceIndex::Need::WhereStoredTimesFail) < 0)
        return 0;
    if (const int v = firstVideoStream(probe.get());
        v >= 0 && !SourceIndex::attach(probe.get(), v, &run_.stopFlag(), progress) &&
        SourceIndex::needed(probe.get(), v, SourceIndex::Need::Now) &&
        (run_.stopFlag().load() || SourceIndex::readingStopped())) {
        logFailure("stopped while reading " + path, AVERROR_EXIT);
        inputs_.giveBack(path, std::move(probe));
        return 0;
    }
    struct GiveBack {
        InputPool& pool;
        const std::string& path;
        InputPtr& input;
        ~GiveBack() { pool.giveBack(path, std::move(input)); }
    } giveBack{inputs_, path, probe};
    // The clip holds what its streams hold: a header may claim far more.
    const int64_t d = contentEndUs(probe.get(), firstVideoStream(probe.get()), firstAudioStream(probe.get()));
    if (d <= 0) {
        logFailure("no duration in " + path, AVERROR_INVALIDDATA);
        return 0;
    }
    Clip c;
    c.path = path;
    // The range was set on the line a window showed: where that was the stored times of a large
    // MPEG file, the same pictures' times on its index's line, or none where they show two.
    int64_t start = 0, end = 0;
    if (!SourceIndex::mapShown(probe.get(), startUs, &start) ||
        !(endUs == 0 || SourceIndex::mapShown(probe.get(), endUs, &end))) {
        logFailure("the range set on the stored times of " + path + " holds other pictures",
                   MEDIACORE_ERROR_RANGE_UNPLACED);
        return 0;
    }
    c.start = std::max<int64_t>(0, start);
    c.end = endUs == 0 ? d : std::min(end, d);
    c.toFileEnd = c.end >= d - kEpsilon;
    if (const int64_t end = wholeClipEndUs(probe.get(), d); c.toFileEnd && end > c.start + kEpsilon)
        c.end = end;
    if (c.end - c.start < 1000) {
        logFailure("empty clip range of " + path, AVERROR(EINVAL));
        return 0;
    }
    c.hasVideo = firstVideoStream(probe.get()) >= 0;
    c.hasAudio = firstAudioStream(probe.get()) >= 0;
    for (unsigned k = 0; k < probe->nb_streams; ++k)
        c.soundStreams += probe->streams[k]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? 1 : 0;
    c.id = nextId_++;
    clips_.push_back(c);
    return c.id;
}

JoinJob::Clip* JoinJob::find(uint64_t id) {
    for (Clip& c : clips_)
        if (c.id == id)
            return &c;
    return nullptr;
}

int JoinJob::setVolume(uint64_t clip, int percent) {
    Clip* c = find(clip);
    if (!c)
        return logFailure("no clip " + std::to_string(clip), AVERROR(EINVAL));
    if (percent < 0)
        return logFailure("clip volume", AVERROR(EINVAL));
    c->volume = std::min(percent, 200);
    return 1;
}

int JoinJob::setTransition(uint64_t clip, int effect, int64_t lengthUs) {
    Clip* c = find(clip);
    if (!c)
        return logFailure("no clip " + std::to_string(clip), AVERROR(EINVAL));
    if (effect < 0 || effect > 3 || lengthUs < 0)
        return logFailure("transition", AVERROR(EINVAL));
    c->transition = effect;
    c->transitionUs = effect == 0 ? 0 : lengthUs;
    return 1;
}

void JoinJob::reportProgress(int64_t doneUs) {
    run_.report(doneUs, totalUs_);
}

int JoinJob::start() {
    return run_.run([this] { return run(); }, 0);
}

int JoinJob::run() {
    if (output_.empty())
        return logFailure("no output path", AVERROR(EINVAL));
    if (clips_.empty())
        return logFailure("no clips to join", AVERROR(EINVAL));
    totalUs_ = 0;
    for (const Clip& c : clips_)
        totalUs_ += c.end - c.start;
    OutputWriter writer;
    int r = writer.create(output_);
    if (r < 0)
        return r;
    r = canCopy() ? runCopy(writer) : JoinEncode(clips_, format_, writer, run_, totalUs_).run();
    if (r < 0)
        return r;
    if (run_.stopped()) {
        logInfo("join stopped; " + output_ + " removed");
        writer.discard();
        return 0;
    }
    if ((r = writer.finish()) < 0)
        return r;
    run_.finished();
    return 0;
}

// Packets can be copied when the streams of every clip are alike, each clip begins on a
// keyframe (otherwise the copy would bring back what lies before its start) and nothing is
// mixed or blended.
bool JoinJob::canCopy() {
    const auto copyish = [](const CodecSetting& s) {
        return s.kind == CodecSetting::Copy || s.kind == CodecSetting::Keep;
    };
    if (!copyish(format_.videoCodec) || !copyish(format_.audioCodec))
        return false;
    if (format_.changesPicture() || format_.changesSound())
        return false;
    // Every clip's reader is compared with the first clip's; the inputs go back to the pool.
    std::vector<SourceReader> readers(clips_.size());
    const auto giveBack = [&] {
        for (size_t i = 0; i < readers.size(); ++i)
            inputs_.giveBack(clips_[i].path, readers[i].release());
    };
    const bool copies = canCopy(readers);
    giveBack();
    return copies;
}

bool JoinJob::canCopy(std::vector<SourceReader>& readers) {
    InputPtr input;
    if (inputs_.open(clips_[0].path, &input) < 0 ||
        readers[0].open(std::move(input), clips_[0].path, -1, true, true, false, false) < 0)
        return false;
    const AVFormatContext* first = readers[0].format();
    const int v0 = firstVideoStream(first), a0 = firstAudioStream(first);
    const AVOutputFormat* container = av_guess_format(nullptr, output_.c_str(), nullptr);
    if (v0 >= 0 && (!holdsMovingPictures(container, output_) ||
                    !containerAccepts(container, first->streams[v0]->codecpar->codec_id)))
        return false;
    if (a0 >= 0 && !containerAccepts(container, first->streams[a0]->codecpar->codec_id))
        return false;
    soundLateUs_.assign(clips_.size(), 0);
    for (size_t i = 0; i < clips_.size(); ++i) {
        const Clip& c = clips_[i];
        if (c.volume != 100 || (c.transition != 0 && i + 1 < clips_.size()))
            return false;
        SourceReader& reader = readers[i];
        if (i > 0 && (inputs_.open(c.path, &input) < 0 ||
                      reader.open(std::move(input), c.path, -1, true, true, false, false) < 0))
            return false;
        const AVStream* v = reader.video();
        const AVStream* a = reader.audio();
        if ((v != nullptr) != (v0 >= 0) || (a != nullptr) != (a0 >= 0))
            return false;
        if (v) {
            const AVCodecParameters *p = v->codecpar, *q = first->streams[v0]->codecpar;
            if (p->codec_id != q->codec_id || p->width != q->width || p->height != q->height ||
                p->format != q->format ||
                !sameBytes(p->extradata, p->extradata_size, q->extradata, q->extradata_size) ||
                streamRotation(v) != streamRotation(first->streams[v0]))
                return false;
            if (c.start > 0) {
                // The copy begins at the keyframe a seek lands on: it must not lie before the start
                // (that would bring back cut frames) nor a whole frame after it.
                const int64_t key = reader.firstVideoPacketUs(c.start, true);
                if (key == AV_NOPTS_VALUE || key < c.start - kEpsilon ||
                    key >= c.start + reader.frameDurationUs()) {
                    logInfo("clip " + c.path + " does not start on a keyframe: the join is re-encoded");
                    return false;
                }
            }
            // With frames stored out of display order, a copy cut by decoding time keeps frames
            // shown after the end (and the pictures they need); only a range that runs to the file's
            // end, or a stream without reordering, ends exactly.
            if (!c.toFileEnd && v->codecpar->video_delay > 0) {
                logInfo("clip " + c.path + " ends inside reordered frames: the join is re-encoded");
                return false;
            }
        }
        if (a) {
            const AVCodecParameters *p = a->codecpar, *q = first->streams[a0]->codecpar;
            if (p->codec_id != q->codec_id || p->sample_rate != q->sample_rate ||
                p->ch_layout.nb_channels != q->ch_layout.nb_channels ||
                !sameBytes(p->extradata, p->extradata_size, q->extradata, q->extradata_size))
                return false;
        }
        // Read here, where the clip is open already: a transport stream is opened afresh each
        // time (its probe decodes pictures), and the copy would open it once more for this.
        if (i > 0)
            soundLateUs_[i] = soundLateUs(c, reader);
    }
    otherSound_ = otherSoundStreams(readers);
    return true;
}

// The other sound streams every clip holds alike (languages, commentary), copied beside the
// main one; none when a clip differs. `readers`: every clip open.
std::vector<int> JoinJob::otherSoundStreams(const std::vector<SourceReader>& readers) const {
    const AVFormatContext* first = readers[0].format();
    std::vector<int> others;
    const int main = firstAudioStream(first);
    for (unsigned k = 0; k < first->nb_streams; ++k)
        if (int(k) != main && first->streams[k]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO &&
            containerAccepts(av_guess_format(nullptr, output_.c_str(), nullptr),
                             first->streams[k]->codecpar->codec_id))
            others.push_back(int(k));
    for (size_t i = 1; i < readers.size() && !others.empty(); ++i)
        if (!sameOtherSound(first, readers[i].format(), others))
            return {};
    return others;
}

// How much later than its picture a clip from its file's start starts its sound, as a decoder
// gives it (after the samples its first packet marks to be skipped): 0 for any other clip, or
// one whose sound starts with or ahead of its picture, or later than a second. `reader`, the
// clip's file open, is read on from its start.
int64_t JoinJob::soundLateUs(const Clip& c, SourceReader& reader) {
    if (c.start > 0 || !reader.audio() || !reader.video())
        return 0;
    reader.seek(fileStartUs(reader), true);
    PacketPtr packet = makePacket();
    SourceReader::Kind kind;
    int64_t late = 0;
    for (int read = 0; read < 4000 && reader.next(nullptr, &kind, packet.get()) == 1; ++read) {
        if (kind == SourceReader::Audio) {
            late = reader.packetTimeUs(packet.get(), kind) + skippedUs(packet.get(), reader.audio());
            break;
        }
        av_packet_unref(packet.get());
    }
    return late > 0 && late <= kSoundPastPictureUs ? late : 0;
}

int JoinJob::runCopy(OutputWriter& writer) {
    int r = 0;
    PacketPtr packet = makePacket();
    StreamCopy copy(writer);
    const std::vector<int>& others = otherSound_;
    int64_t offsetUs = 0; // output time of the current clip's start
    int64_t lateUs = 0;   // how much later than its picture the current clip's sound starts
    for (size_t i = 0; i < clips_.size() && !run_.stopped(); ++i) {
        const Clip& c = clips_[i];
        SourceReader reader;
        InputPtr input;
        if ((r = inputs_.open(c.path, &input)) < 0 ||
            (r = reader.open(std::move(input), c.path, -1, true, true, false, false)) < 0)
            return r;
        for (const int k : others)
            reader.addOtherSound(k);
        if (i == 0) {
            if (reader.video() && (r = writer.addCopy(OutputWriter::Video, reader.video(),
                                                      SourceIndex::get(reader.format()))) < 0)
                return r;
            // As a convert job's copy does: the index's decoding times, which the pictures that
            // store no time (most of a program stream's) are placed by; rebuilt from the times
            // shown, they would lag one picture more than the source's and meet a placed one.
            if (const char* container = reader.format()->iformat->name;
                reader.video() &&
                (std::strcmp(container, "mpeg") == 0 || std::strcmp(container, "mpegts") == 0))
                writer.keepDecodingTimes(OutputWriter::Video);
            if (reader.audio() && (r = writer.addCopy(OutputWriter::Audio, reader.audio())) < 0)
                return r;
            for (const int k : others)
                if ((r = writer.addOtherCopy(reader.format()->streams[k])) < 0)
                    return r;
            if ((r = writer.start()) < 0)
                return r;
        }
        if (i == 0 && clips_.size() > 1 && reader.audio() &&
            SoundBridge::bridges(reader.audio()->codecpar, writer.container()))
            copy.keepSoundTail(SoundBridge::kHeldPackets);
        // A clip from its file's start keeps the pictures shown before its first keyframe.
        Clip from = c;
        if (c.start <= 0)
            from.start = std::min<int64_t>(0, leadingPicturesUs(reader));
        // A later clip from its file's start is read from its first packet: its sound ahead of
        // the picture goes in before the seam, in place of the sound the clip before ended with
        // early (without it the seam leaves a hole as long as that lead).
        const int64_t readUs = c.start <= 0 && i > 0 ? std::min(from.start, fileStartUs(reader)) : from.start;
        Resume resume;
        if (i > 0 && (r = bridgeSeam(copy, from, readUs, {offsetUs, lateUs}, &resume)) < 0)
            return r;
        reader.seek(readUs, true);
        const int64_t end = c.end;
        // Sound that the next clip starts late against its picture is this clip's sound run on.
        lateUs = i + 1 < clips_.size() ? soundLateUs_[i + 1] : 0;
        copy.beginPart(reader, from.start, offsetUs, readUs, end, end + lateUs);
        if (i > 0)
            copy.breakLinkAtStart();
        if (resume.sourceUs != INT64_MIN)
            copy.resumeSoundAt(resume.sourceUs, resume.outputUs, std::move(resume.primers));
        SourceReader::Kind kind;
        while (!run_.stopped() && (r = reader.next(nullptr, &kind, packet.get())) >= 1) {
            if ((r = r == 2 ? copy.takeOther(packet.get()) : copy.take(packet.get(), kind)) < 0)
                return r;
            reportProgress(writer.writtenUs());
        }
        if (run_.stopped())
            break;
        if (r < 0 && r != AVERROR_EOF)
            return r;
        if ((r = reader.checkEnd(c.end)) < 0)
            return r;
        offsetUs += end - from.start;
    }
    for (SoundBridge::Timed& t : copy.takeSoundTail())
        if ((r = copy.writeSound(t.packet.get(), t.timeBase)) < 0)
            return r;
    return 0;
}

// The sound across the seam before clip `c`, read from `readUs` of its file, which begins at
// `seam` of the output (its sound that much later): the held sound before it and the clip's
// first packets re-encoded into a bridge (SoundBridge), or, where that cannot be done, the held
// sound written as it is and the clip's copied on after it.
int JoinJob::bridgeSeam(StreamCopy& copy, const Clip& c, int64_t readUs, Seam seam, Resume* resume) {
    const int64_t seamUs = seam.pictureUs;
    std::deque<SoundBridge::Timed> held = copy.takeSoundTail();
    if (held.empty())
        return 0;
    SourceReader head;
    InputPtr input;
    std::vector<SoundBridge::Timed> after;
    SoundBridge::Plan plan;
    bool bridged = false;
    if (inputs_.open(c.path, &input) >= 0 &&
        head.open(std::move(input), c.path, -1, true, true, false, false) >= 0 && head.audio()) {
        head.seek(readUs, true);
        PacketPtr packet = makePacket();
        SourceReader::Kind kind;
        int r = 0;
        // Sound lies near its picture in a file: a stretch without any ends the search.
        for (int read = 0; after.size() < SoundBridge::kPacketsAfter && read < 4000 &&
                           (r = head.next(nullptr, &kind, packet.get())) >= 1;
             ++read) {
            if (r == 1 && kind == SourceReader::Audio)
                after.push_back({clonePacket(packet.get()), head.audio()->time_base});
            av_packet_unref(packet.get());
        }
        const int64_t shiftUs = seamUs - c.start - head.originUs();
        bridged = SoundBridge::make(av_guess_format(nullptr, output_.c_str(), nullptr),
                                    head.audio()->codecpar, held, seamUs + seam.soundLateUs,
                                    head.audio()->codecpar, after, shiftUs, &plan, c.start <= 0) > 0;
        if (bridged) {
            const AVPacket* p = after[plan.resumeAt].packet.get();
            resume->sourceUs =
                av_rescale_q(p->pts != AV_NOPTS_VALUE ? p->pts : p->dts, head.audio()->time_base, kMicro) -
                head.originUs();
            resume->outputUs = plan.resumeOutputUs;
            resume->primers = std::move(plan.primers);
        }
    }
    if (head.format())
        inputs_.giveBack(c.path, head.release());
    const size_t copied = bridged ? plan.copiedBefore : held.size();
    int r = 0;
    for (size_t k = 0; k < copied && r >= 0; ++k)
        r = copy.writeSound(held[k].packet.get(), held[k].timeBase);
    for (size_t k = 0; bridged && k < plan.packets.size() && r >= 0; ++k)
        r = copy.writeSound(plan.packets[k].get(), plan.timeBase);
    if (!bridged)
        logInfo("the sound at the seam before " + c.path + " is copied as it is");
    return r;
}

} // namespace mediacore
