#include "SourceGraph.h"

#include "SourceReader.h"
#include "StreamProbe.h"

namespace mediacore {

mediafx::VideoInput decodedVideoInput(const SourceReader& reader) {
    const AVCodecContext* dec = reader.videoDecoder();
    mediafx::VideoInput in;
    in.width = dec->width;
    in.height = dec->height;
    in.format = dec->pix_fmt;
    in.timeBase = reader.video()->time_base;
    in.sampleAspect = pictureAspect(reader.format(), reader.video());
    in.frameRate = streamFrameRate(reader.video());
    if (const SourceReader::RangeShape& shape = reader.rangeShape(); shape.width > 0) {
        in.width = shape.width;
        in.height = shape.height;
        in.sampleAspect = shape.aspect;
    }
    return in;
}

int buildSourceAudio(mediafx::FxGraph& graph, const mediafx::FxSettings& fx, const AVCodecContext* dec,
                     const mediafx::AudioOutput& out) {
    if (!dec)
        return graph.buildAudio(fx, nullptr, out);
    mediafx::AudioInput in;
    in.sampleRate = dec->sample_rate;
    in.layout = dec->ch_layout;
    in.format = dec->sample_fmt;
    in.timeBase = {1, dec->sample_rate};
    return graph.buildAudio(fx, &in, out);
}

} // namespace mediacore
