// The convert job's range rules: whether a cut range holds a picture, whether a cut can be done
// smartly (copying the middle), and the size limit that a finished part must not pass.
#include "ConvertJob.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include "CodecChoice.h"
#include "EngineLog.h"
#include "SmartCut.h"
#include "SourceIndex.h"
#include "SourceReader.h"
#include "StreamProbe.h"

namespace mediacore {

namespace {

// Gives the job's input back when the reader it was lent to is done.
struct GiveBack {
    KeptInput& kept;
    SourceReader& reader;
    bool lent = false;
    ~GiveBack() {
        if (lent)
            kept.giveBack(reader.release());
    }
};

// Opens `reader` on the job's input for its packets, on the opening the job keeps where it can
// lend it (a transport stream is not probed again).
int openForPictures(KeptInput& kept, const std::string& input, SourceReader& reader, GiveBack& giveBack) {
    InputPtr lent = kept.lendAtStart();
    giveBack.lent = lent != nullptr;
    return lent ? reader.open(std::move(lent), input, -1, true, false, false, false)
                : reader.open(input, -1, true, false, false, false);
}

} // namespace

bool ConvertJob::rangeHoldsPicture(int64_t startUs, int64_t endUs) {
    SourceReader reader;
    GiveBack giveBack{probe_, reader};
    if (openForPictures(probe_, input_, reader, giveBack) < 0 || !reader.video())
        return true;          // the job itself will tell what is wrong
    reader.keepStoredTimes(); // a guessed time may pass the picture by
    reader.seek(startUs);
    FramePtr frame = makeFrame();
    PacketPtr packet = makePacket();
    SourceReader::Kind kind;
    // Packets come in decoding order: pictures shown before the end may follow one shown after.
    const int64_t reorderUs = 1000000, epsilon = 1000;
    bool untimed = false;
    int r = 0;
    while ((r = reader.next(frame.get(), &kind, packet.get())) == 1) {
        const int64_t t = reader.packetTimeUs(packet.get(), kind);
        av_packet_unref(packet.get());
        untimed = untimed || (kind == SourceReader::Video && t == AV_NOPTS_VALUE);
        if (kind != SourceReader::Video || t == AV_NOPTS_VALUE)
            continue;
        if (t >= startUs - epsilon && t < endUs - epsilon)
            return true;
        if (t >= endUs + reorderUs)
            break;
    }
    return untimed && decodedPictureIn(startUs, endUs);
}

// Whether the range starts in a pause of the recording, where the picture held through it is
// shown from the start, or (`silent`: with no sound running on) ends in one, where its last
// picture is shown again before the end: those pictures are encoded, not copied.
bool ConvertJob::pauseAtEdge(bool silent) {
    // Only an indexed MPEG stream's line tells a pause (and has its index by now).
    if ((cutStart_ <= 0 && (!silent || cutEnd_ <= 0)) || !ff::SourceIndex::get(probe_.get()))
        return false;
    SourceReader reader;
    GiveBack giveBack{probe_, reader};
    return openForPictures(probe_, input_, reader, giveBack) >= 0 && reader.video() &&
           ((cutStart_ > 0 && reader.heldPictureUs(cutStart_) != AV_NOPTS_VALUE) ||
            (silent && cutEnd_ > 0 && reader.heldPictureUs(cutEnd_) != AV_NOPTS_VALUE));
}

// The same asked of the decoded pictures, whose times are settled also where their packets carry
// none (a stream's last pictures may all lack one).
bool ConvertJob::decodedPictureIn(int64_t startUs, int64_t endUs) const {
    SourceReader reader;
    if (reader.open(input_, -1, true, false, true, false) < 0 || reader.seek(startUs) < 0)
        return true; // the job itself will tell what is wrong
    FramePtr frame = makeFrame();
    SourceReader::Kind kind;
    const int64_t epsilon = 1000;
    while (reader.next(frame.get(), &kind) == 0) {
        const int64_t t = reader.frameTimeUs(frame.get(), kind);
        av_frame_unref(frame.get());
        if (t != AV_NOPTS_VALUE && t >= startUs - epsilon)
            return t < endUs - epsilon;
    }
    return false;
}

// Whether sound stream `audioIndex` ends before `startUs` (a recording's sound may stop short of
// its last pictures): a range from there holds none of it, and an output that declared the
// stream would declare one without a packet. False where a packet of it carries no time.
bool ConvertJob::soundEndsBefore(int audioIndex, int64_t startUs) const {
    SourceReader reader;
    if (reader.open(input_, audioIndex, true, true, false, false) < 0 || !reader.audio())
        return false;
    // A range that starts between two pictures starts with the next one, and so does its sound.
    if (const int64_t first = reader.firstPictureFromUs(startUs); first != AV_NOPTS_VALUE)
        startUs = std::max(startUs, first);
    if (reader.seek(startUs) < 0)
        return false;
    FramePtr frame = makeFrame();
    PacketPtr packet = makePacket();
    SourceReader::Kind kind;
    const int64_t epsilon = 1000, unknownUs = 100000;
    int r = 0;
    while ((r = reader.next(frame.get(), &kind, packet.get())) == 1) {
        const int64_t t = reader.packetTimeUs(packet.get(), kind);
        const int64_t length = packet->duration > 0
                                   ? av_rescale_q(packet->duration, reader.audio()->time_base, {1, 1000000})
                                   : unknownUs;
        av_packet_unref(packet.get());
        if (kind == SourceReader::Audio && (t == AV_NOPTS_VALUE || t + length > startUs + epsilon))
            return false;
    }
    return r == AVERROR_EOF; // a read that failed tells nothing
}

// The size of a finished file is only known once its index is written: a part that came out
// over its limit is made again under a limit lowered by the overshoot, so that none passes it.
// The part ends where its weighed size reaches that limit, which can jump by many pictures at
// once (an encoder that holds many back gives its sizes in bursts): a part still over is then
// made shorter by the share of its length that the overshoot takes, a picture at least, its
// range alone deciding where it ends, until it fits.
int ConvertJob::runUnder(int64_t limit) {
    int r = run();
    const int64_t end = cutEnd_, target = sizeLimit_;
    for (int attempt = 0; attempt < 8 && r >= 1 && limit > 0 && !run_.stopped(); ++attempt) {
        struct stat st {};
        if (::stat(output_.c_str(), &st) != 0 || st.st_size <= limit)
            break;
        logInfo("part of " + std::to_string(st.st_size) + " bytes over its limit of " +
                std::to_string(limit) + "; made again");
        ::unlink(output_.c_str());
        const double share = double(limit) / double(st.st_size) * 0.98;
        // Shortened from the end of its pictures, not from where a pause after them ends.
        const int64_t made = shownUs_ > 0 ? shownUs_ : outputUs_.load();
        if (attempt == 0 || made <= 0) {
            sizeLimit_ = std::max<int64_t>(1, int64_t(double(sizeLimit_) * share));
        } else {
            // A range that starts in a pause of the recording is shortened after its first
            // picture: ended inside the pause, it would hold none.
            const int64_t lead = std::min(leadUs_, made), shown = made - lead;
            cutEnd_ = cutStart_ + lead +
                      std::max<int64_t>(1, std::min(int64_t(double(shown) * share), shown - frameUs()));
            sizeLimit_ = INT64_MAX / 4;
        }
        // Made shorter than its first picture (a camera's keyframe, two large fields, that
        // alone passes the limit), the part would hold none.
        if ((r = run()) == AVERROR_STREAM_NOT_FOUND)
            r = logFailure("no part of " + input_ + " under its size limit holds a picture", AVERROR(EFBIG));
    }
    cutEnd_ = end;
    sizeLimit_ = target;
    return r;
}

// The bytes the largest picture of the input stores, with its second field and the sound that
// plays beside it (0 where the input tells no picture sizes): a part holds one at least. Where
// the pictures are kept in their codec and size, a cap below it is refused before any part is
// written, rather than after the parts of the pictures before it.
int64_t ConvertJob::largestPictureBytes() const {
    const int v = probe_ ? firstVideoStream(probe_.get()) : -1;
    if (v < 0 || format_.videoCodec.kind != CodecSetting::Keep || format_.width > 0 || fx_.changesPicture())
        return 0;
    int64_t largest = 0;
    if (const ff::SourceIndex* index = ff::SourceIndex::get(probe_.get())) {
        int64_t picture = 0;
        for (const ff::SourceIndex::Picture& p : index->pictures()) {
            picture = (p.flags & ff::SourceIndex::SecondField ? picture : 0) + std::max(0, p.size);
            largest = std::max(largest, picture);
        }
    } else {
        AVStream* st = probe_->streams[v];
        for (int i = 0, n = avformat_index_get_entries_count(st); i < n; ++i)
            if (const AVIndexEntry* e = avformat_index_get_entry(st, i))
                largest = std::max<int64_t>(largest, e->size);
    }
    if (largest <= 0)
        return 0;
    int64_t soundBitRate = 0;
    for (unsigned i = 0; i < probe_->nb_streams; ++i)
        if (probe_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            soundBitRate += std::max<int64_t>(0, probe_->streams[i]->codecpar->bit_rate);
    return largest + soundBitRate / 8 * frameUs() / 1000000;
}

// Whether a capped part is encoded anew at the source's own rate: a kept codec without a
// quality mode, which the smart cut does not copy. Its bytes then follow its length. (Made to
// a length, a part from the file's start is a range too, and encoded like the parts after it.)
bool ConvertJob::pacedByLength() const {
    const int v = probe_ ? firstVideoStream(probe_.get()) : -1;
    if (v < 0 || format_.videoCodec.kind != CodecSetting::Keep || format_.videoKbps > 0 ||
        !ratedByMpegVideo(probe_->streams[v]->codecpar->codec_id))
        return false;
    SmartCutRequest request;
    return !canCutSmartly(&request);
}

// A part encoded at the source's rate is made to the length that fills its limit at the bytes
// per second measured so far (the source's, then those of its own tries), its range alone
// deciding where it ends. Ended instead where a weighing of its encoder's output reaches the
// limit, it stops well short of it (the frames inside the encoder are weighed at the average of
// the larger ones that came out first), and a file splits into more parts than its size over
// the limit. These encoders spend more on a short part's first pictures than the rate they
// settle at: a try above the source's bytes per second is made again at a picture rate lowered
// by the excess. False when no try both fits and fills the limit (the part is then made as any
// other).
bool ConvertJob::runPaced(int64_t limit, int* result) {
    // Aimed a little under the limit, and taken from a little further under: the rate control
    // of these encoders keeps a part's bytes within a few percent of its rate.
    constexpr double kAim = 0.96, kEnough = 0.92, kDear = 1.04;
    const int64_t d = duration(), frame = frameUs();
    const int64_t end = cutEnd_ > 0 ? std::min(cutEnd_, d) : d, rangeEnd = cutEnd_;
    const int v = probe_ ? firstVideoStream(probe_.get()) : -1;
    const double pictureRate =
        v >= 0 ? double(sourcePictureBitRate(probe_.get(), probe_->streams[v])) / 8e6 : 0;
    struct stat source {};
    if (v < 0 || d <= 0 || end - cutStart_ <= frame || ::stat(input_.c_str(), &source) != 0 ||
        source.st_size <= 0)
        return false;
    const double sourceRate = double(source.st_size) / double(d); // bytes per microsecond
    double bytesPerUs = sourceRate;
    // The longest length made under the limit and the shortest made over it, at this rate.
    int64_t fits = 0, over = INT64_MAX;
    int r = 1, lowered = 0;
    bool done = false;
    for (int attempt = 0; attempt < 8 && !done && !run_.stopped(); ++attempt) {
        int64_t length = int64_t(double(limit) * kAim / bytesPerUs);
        length = std::max(length, fits + frame);
        if (over != INT64_MAX)
            length = std::min(length, over - frame);
        // No length between the two: the longest that fits is made again.
        const bool last = length <= fits || length < frame;
        if (last)
            length = fits;
        if (length <= 0)
            break;
        cutEnd_ = cutStart_ + length >= end ? rangeEnd : cutStart_ + length;
        sizeLimit_ = INT64_MAX / 4;
        if ((r = run()) < 1 || run_.stopped())
            break;
        struct stat st {};
        const int64_t made = shownUs_ > 0 ? shownUs_ : outputUs_.load();
        if (::stat(output_.c_str(), &st) != 0 || st.st_size <= 0 || made <= 0)
            break;
        const double rate = double(st.st_size) / double(made);
        const bool fit = st.st_size <= limit;
        // (The file's last part, which fits, keeps its pictures' quality.)
        const bool toEnd = cutStart_ + made >= end - frame;
        const bool dear =
            !last && !(fit && toEnd) && lowered < 2 && pictureRate > 0 && rate > sourceRate * kDear;
        done = fit && !dear && (last || toEnd || st.st_size >= int64_t(double(limit) * kEnough));
        if (done)
            break;
        logInfo("part of " + std::to_string(st.st_size) + " bytes in " + std::to_string(made) +
                " us against its limit of " + std::to_string(limit) + "; made again");
        ::unlink(output_.c_str());
        bytesPerUs = rate;
        if (dear) {
            const double share = rateShare_ * std::max(0.5, 1 - (rate - sourceRate) / pictureRate);
            bytesPerUs = rate - (rateShare_ - share) * pictureRate;
            rateShare_ = share;
            fits = 0;
            over = INT64_MAX;
            ++lowered;
        } else if (fit) {
            fits = std::max(fits, made);
        } else {
            over = std::min(over, made);
        }
    }
    cutEnd_ = rangeEnd;
    sizeLimit_ = limit;
    rateShare_ = 1.0;
    if (!done && r >= 1)
        ::unlink(output_.c_str());
    *result = r;
    // A stopped try ends the job; otherwise the part is left to the weighing.
    return done || run_.stopped();
}

int ConvertJob::runWithinLimit() {
    const int64_t limit = sizeLimit_;
    if (const int64_t picture = limit > 0 ? largestPictureBytes() : 0; picture > limit)
        return logFailure("a picture of " + input_ + " takes " + std::to_string(picture) +
                              " bytes, more than the size limit of " + std::to_string(limit),
                          AVERROR(EFBIG));
    int r = 0;
    const bool paced = limit > 0 && pacedByLength() && runPaced(limit, &r);
    if (!paced)
        r = runUnder(limit);
    // A part copied in whole groups of pictures ends before the first group that would pass its
    // limit: groups long against the limit leave much of it unused, and a split into many small
    // parts. Such a part is made again frame by frame, filling its limit.
    if (r >= 1 && limit > 0 && copiedGroups_ && !run_.stopped() && fillsTooLittle(limit)) {
        logInfo("copied part of " + output_ + " fills too little of its limit; made again frame by frame");
        ::unlink(output_.c_str());
        framesOnly_ = true;
        sizeLimit_ = limit;
        r = runUnder(limit);
    }
    if (r >= 1 && limit > 0 && !paced && !copiedGroups_ && !run_.stopped() && fillsTooLittle(limit))
        r = refill(limit);
    sizeLimit_ = limit;
    framesOnly_ = false;
    if (r >= 1 && limit > 0 && !run_.stopped()) {
        struct stat st {};
        if (::stat(output_.c_str(), &st) == 0 && st.st_size > limit) {
            ::unlink(output_.c_str());
            outputUs_ = 0;
            return logFailure("cannot keep " + output_ + " under its size limit", AVERROR(EFBIG));
        }
    }
    return r;
}

// A re-encoded part weighs the pictures still inside its encoder at the average of those that
// came out; early in a short part that average is of the larger pictures (a B-frame comes out
// after the picture it refers to), and the part ends well short of its limit. It is made again
// aiming past the limit by the share it fell short, the overshoot taken back as for any part
// over its limit; if that fails, as it was.
int ConvertJob::refill(int64_t limit) {
    struct stat st {};
    if (::stat(output_.c_str(), &st) != 0 || st.st_size <= 0)
        return 1;
    logInfo("re-encoded part of " + output_ + " fills too little of its limit; made again");
    ::unlink(output_.c_str());
    const double shortfall = std::min(2.0, double(limit) / double(st.st_size));
    sizeLimit_ = int64_t(double(limit) * shortfall * 0.97);
    int r = runUnder(limit);
    if (r < 1 && !run_.stopped()) {
        ::unlink(output_.c_str());
        sizeLimit_ = limit;
        r = runUnder(limit);
    }
    return r;
}

// The length of one picture of the input (a guess of 40 ms without a rate).
int64_t ConvertJob::frameUs() const {
    const int v = probe_ ? firstVideoStream(probe_.get()) : -1;
    const int64_t us = v >= 0 ? pictureDurationUs(probe_->streams[v]) : 0;
    return us > 0 ? us : 40000;
}

// Whether a finished part holds less than 80 % of `limit` bytes while the range went on past its
// end (the rest of a file may be short).
bool ConvertJob::fillsTooLittle(int64_t limit) const {
    struct stat st {};
    if (::stat(output_.c_str(), &st) != 0 || st.st_size * 5 >= limit * 4)
        return false;
    const int64_t d = duration();
    const int64_t end = cutEnd_ > 0 ? std::min(cutEnd_, d) : d;
    const int64_t frameUs = 50000; // a picture at the lowest common rate
    return outputUs_ > 0 && cutStart_ + outputUs_ < end - frameUs;
}

// A cut that keeps the format and changes no picture or sound can copy most of its range and
// re-encode only its edges.
bool ConvertJob::canCutSmartly(SmartCutRequest* request) const {
    const int64_t d = duration();
    const int64_t end = cutEnd_ > 0 ? std::min(cutEnd_, d) : d;
    // The whole file is copied by the plain path, unless a size limit may end it early: the
    // cut path then ends the part at the start of a group, where copying can stop cleanly.
    if (cutStart_ <= 0 && end >= d && sizeLimit_ <= 0)
        return false;
    const bool keepsSound = format_.audioCodec.kind == CodecSetting::Keep ||
                            format_.audioCodec.kind == CodecSetting::Copy || fx_.mainAudioDisabled;
    if (rotationSet_ || format_.videoCodec.kind != CodecSetting::Keep || !keepsSound ||
        format_.changesPicture() || fx_.changesPicture() || fx_.volume != 1.0 || !fx_.music.empty() ||
        (format_.changesSound() && !fx_.mainAudioDisabled))
        return false;
    const AVOutputFormat* container = av_guess_format(nullptr, output_.c_str(), nullptr);
    if (!holdsMovingPictures(container, output_))
        return false;
    int aIndex = -1;
    if (!fx_.mainAudioDisabled && container->audio_codec != AV_CODEC_ID_NONE) {
        aIndex = audioIndex_;
        if (aIndex < 0 || unsigned(aIndex) >= probe_->nb_streams ||
            probe_->streams[aIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
            aIndex = firstAudioStream(probe_.get());
    }
    const std::string why = SmartCut::obstacle(probe_.get(), aIndex, container);
    if (!why.empty()) {
        logInfo("cut re-encodes the whole range: " + why);
        return false;
    }
    request->input = input_;
    request->output = output_;
    request->audioIndex = aIndex;
    request->otherSound = otherSoundStreams(aIndex, container);
    request->startUs = cutStart_;
    request->endUs = end;
    request->sizeLimit = sizeLimit_;
    return true;
}

} // namespace mediacore
