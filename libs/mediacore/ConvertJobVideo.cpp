// The picture encoder of a convert job and the filter graph that feeds it.
#include "ConvertJob.h"

#include <algorithm>
#include <cstring>

#include "CodecChoice.h"
#include "EngineLog.h"
#include "FxGraph.h"
#include "OutputWriter.h"
#include "SourceGraph.h"
#include "SourceReader.h"
#include "StreamProbe.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace mediacore {

namespace {

// Encoders whose time base must be the frame period (and containers that store one frame per
// tick) need a constant frame rate.
bool needsConstantRate(const AVCodec* codec, const AVOutputFormat* container) {
    switch (codec->id) {
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_H263P:
    case AV_CODEC_ID_FLV1:
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
        return true;
    default:
        return std::strcmp(container->name, "avi") == 0; // one chunk per frame period
    }
}

} // namespace

int ConvertJob::openVideoEncoder(const AVCodec* codec, SourceReader& reader, OutputWriter& writer,
                                 const mediafx::FxSettings& fx, int keepRotation, mediafx::FxGraph& graph) {
    const mediafx::VideoInput in = decodedVideoInput(reader);
    const AVPixelFormat pix = pickPixelFormat(codec, in.format);
    int w = 0, h = 0;
    mediafx::filteredSize(fx, in.width, in.height, &w, &h);
    if (format_.width > 0) {
        w = format_.width;
        h = format_.height;
    }
    if (const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pix)) {
        if (desc->log2_chroma_w)
            w &= ~1;
        if (desc->log2_chroma_h)
            h &= ~1;
    }
    w = std::max(w, 2);
    h = std::max(h, 2);
    AVRational rate = format_.fps > 0 ? av_d2q(format_.fps, 100000) : streamFrameRate(reader.video());
    bool constant = format_.fps > 0 || needsConstantRate(codec, writer.container());
    if (codec->supported_framerates) {
        rate = codec->supported_framerates[av_find_nearest_q_idx(rate, codec->supported_framerates)];
        constant = true;
    }
    mediafx::VideoOutput out;
    out.width = w;
    out.height = h;
    out.formats = {pix};
    if (constant)
        out.frameRate = rate;
    out.keepPauses = keepsPauses(writer.container());
    // At the source's own size, the encoder is set up from the range's first picture: a picture
    // of another shape after it (a programme change) keeps its display aspect in that frame.
    out.keepAspect = format_.width <= 0;
    int r = graph.buildVideo(fx, in, out);
    if (r < 0)
        return logFailure("picture settings", r);
    VideoEncoding encoding;
    encoding.codec = codec;
    encoding.width = w;
    encoding.height = h;
    encoding.format = pix;
    encoding.timeBase = constant ? av_inv_q(rate) : graph.videoTimeBase();
    encoding.frameRate = rate;
    encoding.sampleAspect = format_.width > 0 ? AVRational{1, 1} : graph.videoSampleAspect();
    encoding.bitRate = int64_t(format_.videoKbps) * 1000;
    if (encoding.bitRate == 0 && format_.videoCodec.kind == CodecSetting::Keep && !codec->priv_class)
        encoding.bitRate = reader.video()->codecpar->bit_rate;
    // A size-capped part kept in a codec without a quality mode is encoded at the source's own
    // rate: at the engine's default rate (or above it) a split gives more parts than the file's
    // size over the cap, and more bytes in all than the file.
    if (encoding.bitRate == 0 && sizeLimit_ > 0 && format_.videoCodec.kind == CodecSetting::Keep &&
        ratedByMpegVideo(codec->id) && codec->id == reader.video()->codecpar->codec_id)
        encoding.bitRate =
            int64_t(double(sourcePictureBitRate(reader.format(), reader.video())) * rateShare_);
    encoding.rotation = keepRotation;
    encoding.sizeCapped = sizeLimit_ > 0;
    if (w == in.width && h == in.height && !fx.changesPicture())
        encoding.fieldOrder = reader.rangeShape().fieldOrder;
    return writer.addVideoEncoder(encoding);
}

} // namespace mediacore
