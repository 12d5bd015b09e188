#include "FxGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "EffectTable.h"
#include "FfPointers.h"
#include "FilterChain.h"
#include "FxLog.h"
#include "MusicMix.h"
#include "OverlayPictures.h"
#include "SubtitleFile.h"
#include "SubtitleStyle.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace mediafx {

namespace {

std::string rational(AVRational q) {
    return std::to_string(q.num) + "/" + std::to_string(q.den);
}

std::string layoutName(const AVChannelLayout& layout) {
    char text[128] = {};
    av_channel_layout_describe(&layout, text, sizeof text);
    return text;
}

// "a|b|c" for the aformat and format filters. Appending piece by piece also keeps GCC 12 at -O3
// from a false -Wrestrict report on `"|" + std::string(...)`; names FFmpeg does not know are left out.
template <class Format>
std::string joinedNames(const std::vector<Format>& formats, const char* (*nameOf)(Format)) {
    std::string names;
    for (Format f : formats) {
        const char* name = nameOf(f);
        if (!name)
            continue;
        if (!names.empty())
            names += '|';
        names += name;
    }
    return names;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

// The overlay filter's blending format for a picture of `format`. Blending in the picture's own
// family keeps the frame as it is; the filter's "auto" would turn every frame of the video into
// a format with alpha (RGBA, for an RGBA mark) and back, which costs more than the decoding.
const char* overlayFormatFor(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d || (d->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_PAL)) || d->nb_components < 3)
        return "auto";
    if (d->flags & AV_PIX_FMT_FLAG_RGB)
        return d->comp[0].depth == 8 && !(d->flags & AV_PIX_FMT_FLAG_PLANAR) ? "rgb" : "auto";
    const int depth = d->comp[0].depth;
    const bool is420 = d->log2_chroma_w == 1 && d->log2_chroma_h == 1;
    const bool is422 = d->log2_chroma_w == 1 && d->log2_chroma_h == 0;
    const bool is444 = d->log2_chroma_w == 0 && d->log2_chroma_h == 0;
    if (depth == 8)
        return is420 ? "yuv420" : is422 ? "yuv422" : is444 ? "yuv444" : "auto";
    if (depth == 10)
        return is420 ? "yuv420p10" : is422 ? "yuv422p10" : "auto";
    return "auto";
}

// The time of a file's first frame on its own clock (0 when unknown), which the movie
// source adds to its seek point and leaves in the times of its pictures. Kept per path: the
// preview builds its graph again at every seek.
int64_t fileStartTime(const std::string& path) {
    static std::mutex lock;
    static std::map<std::string, int64_t> known;
    const std::lock_guard<std::mutex> hold(lock);
    if (const auto it = known.find(path); it != known.end())
        return it->second;
    int64_t start = 0;
    if (const ff::InputPtr format = ff::openInput(path.c_str());
        format && avformat_find_stream_info(format.get(), nullptr) >= 0 &&
        format->start_time != AV_NOPTS_VALUE)
        start = std::max<int64_t>(0, format->start_time);
    known.emplace(path, start);
    return start;
}

} // namespace

bool FxSettings::changesPicture() const {
    return hflip || vflip || normalisedRotation(rotation) != 0 || !effects.empty() || brightness != 0 ||
           contrast != 0 || saturation != 0 || !imageMarks.empty() || !videoMarks.empty() ||
           !textMarks.empty() || subtitle.path[0] != '\0' || hasCrop();
}

bool FxSettings::changesSound() const {
    return volume != 1.0 || mainAudioDisabled || !music.empty();
}

int normalisedRotation(int degrees) {
    int d = degrees % 360;
    if (d < 0)
        d += 360;
    return ((d + 45) / 90 % 4) * 90;
}

void filteredSize(const FxSettings& s, int width, int height, int* outWidth, int* outHeight) {
    int w = width, h = height;
    const int r = normalisedRotation(s.rotation);
    if (r == 90 || r == 270)
        std::swap(w, h);
    if (s.hasCrop()) {
        w = std::max(2, w - std::max(0, s.crop.left) - std::max(0, s.crop.right));
        h = std::max(2, h - std::max(0, s.crop.top) - std::max(0, s.crop.bottom));
    }
    *outWidth = w;
    *outHeight = h;
}

FxGraph::FxGraph() = default;
FxGraph::~FxGraph() = default;

void FxGraph::reset() {
    videoGraph_.reset();
    audioGraph_.reset();
    videoSource_ = videoSink_ = audioSource_ = audioSink_ = nullptr;
}

namespace {

// Mirrors, the turn, the effects and the colour settings.
void addTurnsAndEffects(const FxSettings& s, FilterChain& chain) {
    // Mirrors act on the decoded picture, before it is turned.
    if (s.hflip)
        chain.append("hflip");
    if (s.vflip)
        chain.append("vflip");
    switch (normalisedRotation(s.rotation)) {
    case 90:
        chain.append("transpose", {{"dir", "clock"}});
        break;
    case 180:
        chain.append("hflip");
        chain.append("vflip");
        break;
    case 270:
        chain.append("transpose", {{"dir", "cclock"}});
        break;
    default:
        break;
    }
    for (int id : s.effects) {
        const EffectEntry* e = findEffect(id);
        if (!e) {
            ff::log(mediafx::kLog, AV_LOG_WARNING, "unknown effect id %d left out", id);
            continue;
        }
        FilterOptions options;
        for (const EffectOption& o : e->options)
            if (o.key)
                options.emplace_back(o.key, o.value);
        if (e->formats)
            chain.append("format", {{"pix_fmts", e->formats}});
        chain.append(e->filter, options);
        if (e->then)
            chain.append(e->then);
    }
    if (s.brightness || s.contrast || s.saturation) {
        chain.append("eq", {{"brightness", number(std::clamp(s.brightness, -255, 255) / 255.0)},
                            {"contrast", number(1.0 + std::clamp(s.contrast, -100, 100) / 100.0)},
                            {"saturation", number(1.0 + std::clamp(s.saturation, -100, 100) / 100.0)}});
    }
}

void addSubtitle(const FxSettings& s, FilterChain& chain, int width, int height) {
    // A subtitle file the renderer could not draw in bounded time and memory is left out here
    // (the engine refuses it when it is set; the preview shows the picture without it).
    const std::string subtitlePath = mediarecords::readText(s.subtitle.path);
    const int subtitleCheck = subtitlePath.empty() ? 0 : checkSubtitleFile(subtitlePath);
    if (subtitleCheck < 0)
        ff::log(mediafx::kLog, AV_LOG_WARNING, "subtitle %s left out: %s", subtitlePath.c_str(),
                ff::errorText(subtitleCheck).c_str());
    if (s.subtitle.path[0] == '\0' || subtitleCheck < 0)
        return;
    const SubtitleOptions o = subtitleOptions(s.subtitle, width, height);
    FilterOptions options{{"filename", o.filename}};
    if (!o.forceStyle.empty())
        options.emplace_back("force_style", o.forceStyle);
    if (!o.fontsDir.empty())
        options.emplace_back("fontsdir", o.fontsDir);
    // Subtitle lines are timed on the source file's clock, while this graph's frames
    // start at 0 at timelineStartUs: shift them there and back around the filter.
    const bool shifted = s.timelineStartUs != 0;
    if (shifted)
        chain.append("setpts", {{"expr", "PTS+" + seconds(s.timelineStartUs) + "/TB"}});
    chain.append("subtitles", options);
    if (shifted)
        chain.append("setpts", {{"expr", "PTS-" + seconds(s.timelineStartUs) + "/TB"}});
}

// width and height are already the turned picture's; the margins are given on a picture
// `scaleX` and `scaleY` times as large as it (1 but in a reduced preview).
void addCrop(const FxSettings& s, FilterChain& chain, int width, int height, double scaleX, double scaleY) {
    if (!s.hasCrop())
        return;
    const auto sx = [&](int v) { return int(std::lround(std::max(0, v) * scaleX)); };
    const auto sy = [&](int v) { return int(std::lround(std::max(0, v) * scaleY)); };
    const int w = std::max(2, width - sx(s.crop.left) - sx(s.crop.right));
    const int h = std::max(2, height - sy(s.crop.top) - sy(s.crop.bottom));
    const int x = std::clamp(sx(s.crop.left), 0, std::max(0, width - w));
    const int y = std::clamp(sy(s.crop.top), 0, std::max(0, height - h));
    chain.append("crop", {{"out_w", std::to_string(w)},
                          {"out_h", std::to_string(h)},
                          {"x", std::to_string(x)},
                          {"y", std::to_string(y)},
                          {"exact", "1"}});
}

// Lays the watermarks (pictures, drawn text, video clips) over the running chain. The
// one-picture sources get their pictures only once the graph is configured: they wait in
// `pending`.
class OverlayBuilder {
public:
    // `scaleX`, `scaleY`: the picture the marks are laid on over the one their places are given on.
    OverlayBuilder(const FxSettings& s, FilterChain& chain, const char* overlayFormat, double scaleX,
                   double scaleY)
        : s_(s), chain_(chain), overlayFormat_(overlayFormat), scaleX_(scaleX), scaleY_(scaleY),
          rangeEnd_(s.timelineDurationUs > 0 ? s.timelineDurationUs : INT64_MAX) {}

    int addImageMarks(LOAD_IMAGE_CALLBACK loadImage);
    // `width` x `height`: the canvas the text is drawn on, the picture the places are given on.
    int addTextMarks(DRAW_TEXT_CALLBACK drawText, int width, int height);
    int addVideoMarks();
    std::vector<PendingPicture> takePending() { return std::move(pending_); }

private:
    // Shown from its start up to, not including, its end, as subtitle lines are: a mark of
    // 2 to 7 s at 30 fps covers frames 60 to 209. Half a millisecond keeps a frame that falls
    // on an edge on the right side of it whatever the rounding of its time.
    std::string within(int64_t startUs, int64_t endUs) const {
        const int64_t a = startUs - s_.timelineStartUs, b = endUs - s_.timelineStartUs;
        return "gte(t," + seconds(a - 500) + ")*lt(t," + seconds(b - 500) + ")";
    }
    // Whether a mark shows anywhere in the kept range (an end of 0 is open).
    bool inRange(int64_t startUs, int64_t endUs) const {
        const int64_t a = startUs - s_.timelineStartUs, b = endUs - s_.timelineStartUs;
        return a < rangeEnd_ && (endUs <= 0 || b > 0);
    }
    void overlay(AVFilterContext* source, int x, int y, const std::string& enable, bool premultiplied);
    AVFilterContext* pictureSource(ff::FramePtr frame);
    bool scaled() const { return scaleX_ != 1.0 || scaleY_ != 1.0; }
    int scaledX(int v) const { return int(std::lround(v * scaleX_)); }
    int scaledY(int v) const { return int(std::lround(v * scaleY_)); }
    // A picture made for the whole picture, at the size it has on the one the marks go on.
    ff::FramePtr fitted(ff::FramePtr pic) const {
        if (!pic || !scaled())
            return pic;
        return scaledPicture(pic.get(), std::max(1, scaledX(pic->width)), std::max(1, scaledY(pic->height)));
    }

    const FxSettings& s_;
    FilterChain& chain_;
    const char* overlayFormat_;
    const double scaleX_, scaleY_;
    // The kept range on this graph's clock; nothing outside it reaches the output.
    const int64_t rangeEnd_;
    std::vector<PendingPicture> pending_;
};

// Lays one RGBA source over the running chain at (x, y) of the whole picture while `enable` holds.
void OverlayBuilder::overlay(AVFilterContext* source, int x, int y, const std::string& enable,
                             bool premultiplied) {
    AVFilterContext* main = chain_.tail();
    AVFilterContext* ov = chain_.create("overlay", {{"x", std::to_string(scaledX(x))},
                                                    {"y", std::to_string(scaledY(y))},
                                                    {"format", overlayFormat_},
                                                    {"alpha", premultiplied ? "premultiplied" : "straight"},
                                                    {"enable", enable}});
    if (ov && chain_.link(main, ov, 0) && chain_.link(source, ov, 1))
        chain_.setTail(ov);
}

AVFilterContext* OverlayBuilder::pictureSource(ff::FramePtr frame) {
    AVFilterContext* src = chain_.create(
        "buffer", {{"video_size", std::to_string(frame->width) + "x" + std::to_string(frame->height)},
                   {"pix_fmt", "rgba"},
                   {"time_base", "1/1000000"},
                   {"pixel_aspect", "1/1"}});
    if (src) {
        frame->pts = 0;
        pending_.push_back({src, std::move(frame)});
    }
    return src;
}

int OverlayBuilder::addImageMarks(LOAD_IMAGE_CALLBACK loadImage) {
    for (const IMAGE_WATERMARK_PARAM& m : s_.imageMarks) {
        if (!inRange(m.start_time, m.end_time))
            continue;
        bool premultiplied = false;
        const int w = m.rect.right - m.rect.left, h = m.rect.bottom - m.rect.top;
        const bool sized = w > 0 && h > 0;
        // Loaded straight at the size it is shown at, or at its own size and then scaled.
        ff::FramePtr pic = loadPicture(mediarecords::readText(m.path), sized ? std::max(1, scaledX(w)) : w,
                                       sized ? std::max(1, scaledY(h)) : h, loadImage, &premultiplied);
        if (!sized)
            pic = fitted(std::move(pic));
        if (!pic)
            return AVERROR(EINVAL);
        applyTransparency(pic.get(), m.transparence, premultiplied);
        if (AVFilterContext* src = pictureSource(std::move(pic)))
            overlay(src, m.rect.left, m.rect.top, within(m.start_time, m.end_time), premultiplied);
    }
    return 0;
}

int OverlayBuilder::addTextMarks(DRAW_TEXT_CALLBACK drawText, int width, int height) {
    for (const TEXT_WATERMARK_PARAM& m : s_.textMarks) {
        if (!inRange(m.start_time, m.end_time))
            continue;
        if (!drawText) {
            ff::log(mediafx::kLog, AV_LOG_ERROR, "a text watermark needs the text-drawing callback");
            return AVERROR(EINVAL);
        }
        int left = 0, top = 0;
        // Drawn on the whole picture's canvas, so that the text is the one the export draws.
        ff::FramePtr pic = fitted(drawTextPicture(m, width, height, drawText, &left, &top));
        if (!pic)
            return AVERROR(ENOMEM);
        if (AVFilterContext* src = pictureSource(std::move(pic)))
            overlay(src, left, top, within(m.start_time, m.end_time), true);
    }
    return 0;
}

int OverlayBuilder::addVideoMarks() {
    for (const VIDEO_WATERMARK_PARAM& m : s_.videoMarks) {
        const int64_t start = m.start_time - s_.timelineStartUs, end = m.end_time - s_.timelineStartUs;
        if (end <= 0 || start >= rangeEnd_)
            continue;
        const int64_t skip = std::max<int64_t>(0, -start);
        int64_t length = std::min(m.file_end_time - m.file_start_time, m.end_time - m.start_time) - skip;
        if (m.file_end_time <= m.file_start_time)
            length = m.end_time - m.start_time - skip;
        // The mark's clip never runs past the kept range: the overlay would hold the last
        // picture of the video until the mark's clip ends, making the output longer.
        length = std::min(length, rangeEnd_ - std::max<int64_t>(0, start));
        if (length <= 0)
            continue;
        const int w = m.rect.right - m.rect.left, h = m.rect.bottom - m.rect.top;
        if (w <= 0 || h <= 0)
            return AVERROR(EINVAL);
        AVFilterContext* main = chain_.tail();
        const std::string path = mediarecords::readText(m.path);
        // The movie source seeks to the key picture before the point and gives the pictures
        // from there, on the file's own clock: the trim drops those before the part to use.
        const int64_t from = std::max<int64_t>(0, m.file_start_time) + skip;
        const int64_t fileFrom = from + fileStartTime(path);
        chain_.start(chain_.create("movie", {{"filename", path}, {"seek_point", seconds(from)}}));
        chain_.append("trim", {{"start", seconds(fileFrom)}, {"end", seconds(fileFrom + length)}});
        chain_.append("setpts", {{"expr", "PTS-STARTPTS+" + seconds(std::max<int64_t>(0, start)) + "/TB"}});
        chain_.append("scale", {{"w", std::to_string(std::max(1, scaledX(w)))},
                                {"h", std::to_string(std::max(1, scaledY(h)))}});
        chain_.append("format", {{"pix_fmts", "rgba"}});
        if (m.transparence > 0)
            chain_.append("colorchannelmixer",
                          {{"aa", number(1.0 - std::clamp(m.transparence, 0, 100) / 100.0)}});
        AVFilterContext* source = chain_.tail();
        chain_.setTail(main);
        if (!chain_.ok())
            return chain_.error();
        overlay(source, m.rect.left, m.rect.top, within(m.start_time, m.end_time), false);
    }
    return 0;
}

// Centres each picture in a black frame of ow x oh at the pixel shape `sar`. Placed per picture:
// a recording's pictures may change size on the way (a programme change), which the scaling
// before follows.
void padTo(const std::string& ow, const std::string& oh, const std::string& sar, FilterChain& chain) {
    chain.append("pad", {{"w", ow},
                         {"h", oh},
                         {"x", "(ow-iw)/2"},
                         {"y", "(oh-ih)/2"},
                         {"color", "black"},
                         {"eval", "frame"}});
    chain.append("setsar", {{"sar", sar}});
}

// Scales to the output's size; `fit` keeps the picture's shape inside it, padded black.
// `keepAspect` keeps each picture's display aspect inside it, at the pixel shape `sar`: a
// picture of that size and shape passes as it is, one of another (a programme change on the
// way) is scaled to fill the frame's width or height, padded black.
void appendOutputSize(const VideoOutput& out, AVRational sar, FilterChain& chain) {
    if (out.width <= 0 || out.height <= 0)
        return;
    const std::string ow = std::to_string(out.width), oh = std::to_string(out.height);
    if (out.keepAspect && !out.fit) {
        const std::string s = rational(sar.num > 0 && sar.den > 0 ? sar : AVRational{1, 1});
        // A picture already at the frame's size passes as it is, whatever pixel shape it tells
        // (an H.263 decoder may tell another than its stream's).
        const std::string same = "eq(iw," + ow + ")*eq(ih," + oh + ")";
        char w[256], h[256];
        std::snprintf(w, sizeof w, "if(%s,%s,min(%s,2*round(%s*dar/(%s)/2)))", same.c_str(), ow.c_str(),
                      ow.c_str(), oh.c_str(), s.c_str());
        std::snprintf(h, sizeof h, "if(%s,%s,min(%s,2*round(%s*(%s)/dar/2)))", same.c_str(), oh.c_str(),
                      oh.c_str(), ow.c_str(), s.c_str());
        chain.append("scale", {{"w", w}, {"h", h}, {"flags", "bicubic"}, {"eval", "frame"}});
        padTo(ow, oh, s, chain);
        return;
    }
    if (!out.fit) {
        chain.append("scale", {{"w", ow}, {"h", oh}, {"flags", "bicubic"}});
        return;
    }
    chain.append("scale", {{"w", ow},
                           {"h", oh},
                           {"flags", "bicubic"},
                           {"force_original_aspect_ratio", "decrease"},
                           {"force_divisible_by", "2"}});
    padTo(ow, oh, "1", chain);
}

} // namespace

int FxGraph::addPictureChain(const FxSettings& s, void* chainPtr, Layout l, const VideoOutput& out) {
    auto& chain = *static_cast<FilterChain*>(chainPtr);
    addTurnsAndEffects(s, chain);
    if (!chain.ok())
        return chain.error();
    if (out.reduceWidth > 0 && out.reduceHeight > 0 &&
        (out.reduceWidth != l.width || out.reduceHeight != l.height)) {
        // Averaging areas: free of aliasing however far the picture shrinks, and with half the
        // taps of a bilinear shrink.
        chain.append("scale", {{"w", std::to_string(out.reduceWidth)},
                               {"h", std::to_string(out.reduceHeight)},
                               {"flags", "area"}});
        l.width = out.reduceWidth;
        l.height = out.reduceHeight;
    }
    const int r = addOverlays(s, chainPtr, l);
    if (r < 0)
        return r;
    // The subtitle's sizes are given on the whole picture; the renderer scales them to the frame.
    addSubtitle(s, chain, l.layoutWidth, l.layoutHeight);
    addCrop(s, chain, l.width, l.height, double(l.width) / l.layoutWidth, double(l.height) / l.layoutHeight);
    return chain.error();
}

int FxGraph::addOverlays(const FxSettings& s, void* chainPtr, const Layout& l) {
    auto& chain = *static_cast<FilterChain*>(chainPtr);
    OverlayBuilder builder(s, chain, overlayFormat_, double(l.width) / l.layoutWidth,
                           double(l.height) / l.layoutHeight);
    int r = builder.addImageMarks(loadImage_);
    if (r >= 0)
        r = builder.addTextMarks(drawText_, l.layoutWidth, l.layoutHeight);
    if (r >= 0)
        r = builder.addVideoMarks();
    if (r < 0)
        return r;
    if (!chain.ok())
        return chain.error();
    pendingPictures_ = builder.takePending();
    return 0;
}

int FxGraph::buildVideo(const FxSettings& s, const VideoInput& in, const VideoOutput& out) {
    videoGraph_.reset();
    videoSource_ = videoSink_ = nullptr;
    pendingPictures_.clear();
    lastVideoPts_ = AV_NOPTS_VALUE;
    lastVideoStep_ = 0;
    frameStep_ = in.frameRate.num > 0 && in.frameRate.den > 0 && in.timeBase.num > 0
                     ? av_rescale_q(1, av_inv_q(in.frameRate), in.timeBase)
                     : 0;
    keepPauses(in, out);
    keptShape_ = out.keepAspect && in.sampleAspect.num > 0 && in.sampleAspect.den > 0 ? in.sampleAspect
                                                                                      : AVRational{0, 1};
    keptWidth_ = in.width;
    keptHeight_ = in.height;
    if (in.width <= 0 || in.height <= 0 || in.format == AV_PIX_FMT_NONE)
        return AVERROR(EINVAL);
    videoGraph_.reset(avfilter_graph_alloc());
    if (!videoGraph_)
        return AVERROR(ENOMEM);
    videoGraph_->nb_threads = 1;
    FilterChain chain(videoGraph_.get());
    FilterOptions bufferOptions{
        {"video_size", std::to_string(in.width) + "x" + std::to_string(in.height)},
        {"pix_fmt", av_get_pix_fmt_name(in.format)},
        {"time_base", rational(in.timeBase)},
        {"pixel_aspect", rational(in.sampleAspect.num > 0 ? in.sampleAspect : AVRational{1, 1})}};
    if (in.frameRate.num > 0)
        bufferOptions.emplace_back("frame_rate", rational(in.frameRate));
    AVFilterContext* source = chain.create("buffer", bufferOptions);
    chain.start(source);
    overlayFormat_ = overlayFormatFor(in.format);
    int w = in.width, h = in.height;
    const int r = normalisedRotation(s.rotation);
    if (r == 90 || r == 270)
        std::swap(w, h);
    const Layout layout{w, h, in.layoutWidth > 0 ? in.layoutWidth : w,
                        in.layoutHeight > 0 ? in.layoutHeight : h};
    int result = addPictureChain(s, &chain, layout, out);
    if (result >= 0) {
        // The pixel shape the chain gives the input's pictures: a quarter turn turns it too.
        AVRational sar =
            in.sampleAspect.num > 0 && in.sampleAspect.den > 0 ? in.sampleAspect : AVRational{1, 1};
        if (r == 90 || r == 270)
            sar = av_inv_q(sar);
        appendOutputSize(out, sar, chain);
        if (out.frameRate.num > 0)
            chain.append("fps", {{"fps", rational(out.frameRate)}});
        if (!out.formats.empty()) {
            chain.append("format", {{"pix_fmts", joinedNames(out.formats, av_get_pix_fmt_name)}});
        }
        AVFilterContext* sink = chain.append("buffersink");
        result = chain.error();
        if (result >= 0)
            result = avfilter_graph_config(videoGraph_.get(), nullptr);
        if (result >= 0) {
            for (PendingPicture& p : pendingPictures_) {
                if (result >= 0)
                    result = av_buffersrc_add_frame(p.source, p.frame.get());
                if (result >= 0)
                    result = av_buffersrc_add_frame(p.source, nullptr);
            }
            pendingPictures_.clear();
        }
        if (result >= 0) {
            videoSource_ = source;
            videoSink_ = sink;
            return 0;
        }
    }
    ff::log(mediafx::kLog, AV_LOG_ERROR, "video filter graph: %s", ff::errorText(result).c_str());
    pendingPictures_.clear();
    videoGraph_.reset();
    return result < 0 ? result : AVERROR(EINVAL);
}

int FxGraph::buildAudio(const FxSettings& s, const AudioInput* in, const AudioOutput& out) {
    audioGraph_.reset();
    audioSource_ = audioSink_ = nullptr;
    audioGraph_.reset(avfilter_graph_alloc());
    if (!audioGraph_)
        return AVERROR(ENOMEM);
    audioGraph_->nb_threads = 1;
    FilterChain chain(audioGraph_.get());

    const int rate = out.sampleRate > 0 ? out.sampleRate : (in ? in->sampleRate : 0);
    AVChannelLayout layout{};
    if (out.channels > 0)
        av_channel_layout_default(&layout, out.channels);
    else if (in)
        av_channel_layout_copy(&layout, &in->layout);
    if (rate <= 0 || layout.nb_channels <= 0) {
        av_channel_layout_uninit(&layout);
        audioGraph_.reset();
        return AVERROR(EINVAL);
    }
    const std::string layoutText = layoutName(layout);
    av_channel_layout_uninit(&layout);

    AVFilterContext* source = nullptr;
    if (in) {
        source = chain.create("abuffer", {{"time_base", rational(in->timeBase)},
                                          {"sample_rate", std::to_string(in->sampleRate)},
                                          {"sample_fmt", av_get_sample_fmt_name(in->format)},
                                          {"channel_layout", layoutName(in->layout)}});
        chain.start(source);
        const double volume = s.mainAudioDisabled ? 0.0 : std::clamp(s.volume, 0.0, 2.0);
        if (volume != 1.0)
            chain.append("volume", {{"volume", number(volume)}});
    } else {
        // No sound of its own: silence as long as the timeline carries the music.
        chain.start(chain.create("anullsrc",
                                 {{"sample_rate", std::to_string(rate)}, {"channel_layout", layoutText}}));
        if (s.timelineDurationUs > 0)
            chain.append("atrim", {{"end", seconds(s.timelineDurationUs)}});
    }
    if (!s.music.empty()) {
        chain.append("aresample", {{"out_sample_rate", std::to_string(rate)}});
        chain.append("aformat", {{"sample_fmts", "fltp"},
                                 {"sample_rates", std::to_string(rate)},
                                 {"channel_layouts", layoutText}});
        if (chain.ok()) {
            const int r = addMusicMix(chain, s, rate, layoutText);
            if (r < 0) {
                audioGraph_.reset();
                return r;
            }
        }
    }
    chain.append("aresample", {{"out_sample_rate", std::to_string(rate)}});
    const std::string formats = joinedNames(out.formats, av_get_sample_fmt_name);
    FilterOptions formatOptions{{"sample_rates", std::to_string(rate)}, {"channel_layouts", layoutText}};
    if (!formats.empty())
        formatOptions.emplace_back("sample_fmts", formats);
    chain.append("aformat", formatOptions);
    AVFilterContext* sink = chain.append("abuffersink");
    int result = chain.error();
    if (result >= 0)
        result = avfilter_graph_config(audioGraph_.get(), nullptr);
    if (result < 0) {
        ff::log(mediafx::kLog, AV_LOG_ERROR, "audio filter graph: %s", ff::errorText(result).c_str());
        audioGraph_.reset();
        return result;
    }
    if (out.frameSize > 0)
        av_buffersink_set_frame_size(sink, unsigned(out.frameSize));
    audioSource_ = source;
    audioSink_ = sink;
    return 0;
}

int FxGraph::pushVideo(const AVFrame* frame) {
    if (!videoSource_)
        return AVERROR(EINVAL);
    if (!frame) {
        // The stream ends one frame period after the last frame, so that a rate change keeps it;
        // after a single frame, the period of the input's rate (an end one tick after it would
        // round to its own start, and the rate change would drop it).
        const int64_t step = lastVideoStep_ > 0 ? lastVideoStep_ : frameStep_ > 0 ? frameStep_ : 1;
        const int64_t end = lastVideoPts_ == AV_NOPTS_VALUE ? 0 : lastVideoPts_ + step;
        return av_buffersrc_close(videoSource_, end, 0);
    }
    if (frame->pts != AV_NOPTS_VALUE) {
        // A pause before the last picture is not how long that picture is shown.
        if (lastVideoPts_ != AV_NOPTS_VALUE && frame->pts > lastVideoPts_ &&
            (pauseTicks_ == 0 || frame->pts - lastVideoPts_ <= pauseTicks_))
            lastVideoStep_ = frame->pts - lastVideoPts_;
        lastVideoPts_ = frame->pts;
        if (pauseTicks_ > 0)
            pushedPts_.push_back(frame->pts);
    }
    if (keptShape_.num > 0 && frame->sample_aspect_ratio.num <= 0 && frame->width == keptWidth_ &&
        frame->height == keptHeight_) {
        // A picture that tells no pixel shape has the input's where it has the input's size: so
        // it passes unscaled, not fitted as one of another shape.
        ff::FramePtr told = ff::makeFrame();
        if (!told || av_frame_ref(told.get(), frame) < 0)
            return AVERROR(ENOMEM);
        told->sample_aspect_ratio = keptShape_;
        return av_buffersrc_add_frame_flags(videoSource_, told.get(), AV_BUFFERSRC_FLAG_KEEP_REF);
    }
    return av_buffersrc_add_frame_flags(videoSource_, const_cast<AVFrame*>(frame),
                                        AV_BUFFERSRC_FLAG_KEEP_REF);
}

int FxGraph::pullVideo(AVFrame* frame) {
    if (!videoSink_)
        return AVERROR(EINVAL);
    for (;;) {
        const int r = av_buffersink_get_frame(videoSink_, frame);
        if (r < 0 || !fillsPause(*frame))
            return r;
        av_frame_unref(frame);
    }
}

void FxGraph::keepPauses(const VideoInput& in, const VideoOutput& out) {
    pushedPts_.clear();
    inTimeBase_ = in.timeBase;
    pauseTicks_ = halfOutTicks_ = 0;
    if (out.keepPauses && out.frameRate.num > 0 && out.frameRate.den > 0 && in.timeBase.num > 0) {
        // A gap of more than four pictures, of the input's rate and of the output's.
        constexpr int64_t kPausePictures = 4;
        const int64_t outTicks = av_rescale_q(1, av_inv_q(out.frameRate), in.timeBase);
        pauseTicks_ = kPausePictures * std::max(frameStep_, outTicks);
        halfOutTicks_ = outTicks / 2;
    }
}

// A picture the rate filter made to fill a pause: more than half a period after the picture
// given before it, which the next one given follows by a pause.
bool FxGraph::fillsPause(const AVFrame& frame) {
    if (pauseTicks_ <= 0 || frame.pts == AV_NOPTS_VALUE || pushedPts_.empty())
        return false;
    const int64_t at = av_rescale_q(frame.pts, av_buffersink_get_time_base(videoSink_), inTimeBase_);
    while (pushedPts_.size() > 1 && pushedPts_[1] <= at + halfOutTicks_)
        pushedPts_.pop_front();
    const int64_t shown = pushedPts_.front();
    const bool pauseAfter = pushedPts_.size() > 1 ? pushedPts_[1] - shown > pauseTicks_
                                                  : lastVideoPts_ == shown && at - shown > pauseTicks_;
    return pauseAfter && at - shown > halfOutTicks_;
}

ff::FramePtr FxGraph::throughVideo(ff::FramePtr frame) {
    const int err = pushVideo(frame.get());
    frame.reset();
    ff::FramePtr out = ff::makeFrame();
    if (err < 0 || !out || pullVideo(out.get()) < 0)
        return nullptr;
    return out;
}

int FxGraph::pushAudio(const AVFrame* frame) {
    if (!audioSink_)
        return AVERROR(EINVAL);
    if (!audioSource_)
        return 0; // generated silence: nothing to push
    return av_buffersrc_add_frame_flags(audioSource_, const_cast<AVFrame*>(frame),
                                        AV_BUFFERSRC_FLAG_KEEP_REF);
}

int FxGraph::pullAudio(AVFrame* frame) {
    if (!audioSink_)
        return AVERROR(EINVAL);
    return av_buffersink_get_frame(audioSink_, frame);
}

AVRational FxGraph::videoTimeBase() const {
    return videoSink_ ? av_buffersink_get_time_base(videoSink_) : AVRational{0, 1};
}
AVRational FxGraph::videoFrameRate() const {
    return videoSink_ ? av_buffersink_get_frame_rate(videoSink_) : AVRational{0, 1};
}
int FxGraph::videoWidth() const {
    return videoSink_ ? av_buffersink_get_w(videoSink_) : 0;
}
int FxGraph::videoHeight() const {
    return videoSink_ ? av_buffersink_get_h(videoSink_) : 0;
}
AVPixelFormat FxGraph::videoFormat() const {
    return videoSink_ ? static_cast<AVPixelFormat>(av_buffersink_get_format(videoSink_)) : AV_PIX_FMT_NONE;
}
AVRational FxGraph::videoSampleAspect() const {
    return videoSink_ ? av_buffersink_get_sample_aspect_ratio(videoSink_) : AVRational{0, 1};
}
AVRational FxGraph::audioTimeBase() const {
    return audioSink_ ? av_buffersink_get_time_base(audioSink_) : AVRational{0, 1};
}
int FxGraph::audioSampleRate() const {
    return audioSink_ ? av_buffersink_get_sample_rate(audioSink_) : 0;
}
AVSampleFormat FxGraph::audioFormat() const {
    return audioSink_ ? static_cast<AVSampleFormat>(av_buffersink_get_format(audioSink_))
                      : AV_SAMPLE_FMT_NONE;
}
int FxGraph::audioChannelLayout(AVChannelLayout* layout) const {
    if (!audioSink_)
        return AVERROR(EINVAL);
    return av_buffersink_get_ch_layout(audioSink_, layout);
}

} // namespace mediafx
