// The output format a job is asked for (codecs, picture size and rate, bit rates, sound
// layout), shared by convert and join jobs. Zero and Keep mean "as the source".
#pragma once

#include "CodecChoice.h"

namespace mediacore {

struct OutputFormat {
    CodecSetting videoCodec;
    CodecSetting audioCodec;
    int width = 0;
    int height = 0;
    double fps = 0;
    int videoKbps = 0;
    int audioKbps = 0;
    int channels = 0;
    int sampleRate = 0;

    // Each returns 1, or a negative AVERROR for a refused value (logged; the old value stays).
    int setVideoCodec(const char* name);
    int setAudioCodec(const char* name);
    int setFrameSize(int w, int h); // made even
    int setFrameRate(double rate);
    int setVideoBitrate(int kbps);
    int setAudioBitrate(int kbps); // 0 = the encoder's default
    int setAudioFormat(int channelCount, int rate);

    // Whether the settings change the picture or the sound, so that the source's packets cannot
    // be copied: every job decides between copying and re-encoding by these alone.
    bool changesPicture() const { return width > 0 || fps > 0 || videoKbps > 0; }
    bool changesSound() const { return channels > 0 || sampleRate > 0 || audioKbps > 0; }
};

} // namespace mediacore
