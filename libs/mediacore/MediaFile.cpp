#include "MediaFile.h"

#include <cstring>

#include "EngineLog.h"
#include "FxGraph.h"
#include "SourceReader.h"
#include "StreamProbe.h"

namespace mediacore {

namespace {

// A file that holds one picture (a photo): it shows that picture at every time.
bool isStillPicture(const AVFormatContext* f, const AVStream* video) {
    const std::string name = f && f->iformat && f->iformat->name ? f->iformat->name : "";
    return name == "image2" || (name.size() > 5 && name.compare(name.size() - 5, 5, "_pipe") == 0) ||
           (video && video->nb_frames == 1);
}

} // namespace

int MediaFile::open(const std::string& path) {
    path_ = path;
    // A probe and a snapshot show the file: a large MPEG stream's index is read behind them
    // where its stored times suffice.
    return openInput(path, &format_, nullptr, {}, ff::SourceIndex::Need::WhereStoredTimesFail);
}

int MediaFile::info(MEDIA_AUDIO_STREAM_INFO* audio, MEDIA_VIDEO_STREAM_INFO* video) const {
    const AVFormatContext* f = input();
    if (!f)
        return AVERROR(EINVAL);
    if (audio)
        fillAudioInfo(f, firstAudioStream(f), audio);
    if (video)
        fillVideoInfo(f, firstVideoStream(f), video);
    return 1;
}

int64_t MediaFile::duration() const {
    const AVFormatContext* f = input();
    return f ? durationUs(f) : 0;
}

int MediaFile::snapshot(int64_t timeUs, int width, int height, uint8_t* buffer) {
    if (!buffer || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return AVERROR(EINVAL);
    if (!format_ && !reader_.format())
        return AVERROR(EINVAL);
    // The first snapshot reads on from the probe; a later one opens the file afresh (a seek back
    // to the start is not possible in every file, a single picture for one).
    SourceReader fresh;
    int r = 0;
    if (format_) {
        r = reader_.open(std::move(format_), path_, -1, true, false);
    } else {
        InputPtr input;
        r = openInput(path_, &input, nullptr, {}, ff::SourceIndex::Need::WhereStoredTimesFail);
        if (r >= 0)
            r = fresh.open(std::move(input), path_, -1, true, false);
    }
    if (r < 0)
        return r;
    SourceReader& reader = fresh.format() ? fresh : reader_;
    if (!reader.video())
        return logFailure("no picture to snapshot in " + path_, AVERROR_STREAM_NOT_FOUND);
    reader.seek(timeUs);
    FramePtr frame = makeFrame(), chosen = makeFrame();
    SourceReader::Kind kind;
    bool have = false;
    while ((r = reader.next(frame.get(), &kind)) >= 0) {
        const int64_t t = reader.frameTimeUs(frame.get(), kind);
        av_frame_unref(chosen.get());
        av_frame_move_ref(chosen.get(), frame.get());
        have = true;
        if (t == AV_NOPTS_VALUE || t + reader.frameDurationUs() / 2 >= timeUs)
            break;
    }
    // A seek past a photo's only picture finds nothing: its picture is the one at 0.
    if (!have && timeUs > 0 && isStillPicture(reader.format(), reader.video()))
        return snapshot(0, width, height, buffer);
    if (!have)
        return logFailure("no picture decoded from " + path_, r < 0 ? r : AVERROR_INVALIDDATA);

    mediafx::FxSettings settings;
    settings.rotation = streamRotation(reader.video());
    mediafx::VideoInput in;
    in.width = chosen->width;
    in.height = chosen->height;
    in.format = static_cast<AVPixelFormat>(chosen->format);
    in.timeBase = reader.video()->time_base;
    in.sampleAspect = pictureAspect(reader.format(), reader.video());
    mediafx::VideoOutput out;
    out.width = width;
    out.height = height;
    out.formats = {AV_PIX_FMT_BGRA};
    mediafx::FxGraph graph;
    if ((r = graph.buildVideo(settings, in, out)) < 0)
        return logFailure("snapshot filter", r);
    chosen->pts = 0;
    if ((r = graph.pushVideo(chosen.get())) < 0 || (r = graph.pushVideo(nullptr)) < 0)
        return logFailure("snapshot filter", r);
    FramePtr result = makeFrame();
    if ((r = graph.pullVideo(result.get())) < 0)
        return logFailure("snapshot filter", r);
    for (int y = 0; y < height; ++y)
        std::memcpy(buffer + size_t(y) * size_t(width) * 4,
                    result->data[0] + size_t(y) * size_t(result->linesize[0]), size_t(width) * 4);
    return 1;
}

} // namespace mediacore
