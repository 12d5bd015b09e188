// The sources of bench_engine: grainy camera-like clips of several scenes, made once with the
// ffmpeg command line and kept in build/bench-cache/ (BenchSources.cpp).
#pragma once

#include <string>
#include <vector>

struct Clip {
    std::string path;
    std::string name; // what it is, as a bench line names it
    double seconds = 0;
};

// A clip of one container class, with the codecs an ffmpeg re-encode of a range keeps.
struct ClassClip {
    Clip clip;
    std::string ext;
    std::string encode;
    // ffmpeg's seek before its input lands late in MPEG-TS (its timestamps start past 0): the
    // re-encode reference then seeks by decoding, so that it writes the frames the cut writes.
    bool seekByDecoding = false;
};

struct Sources {
    Clip mid;                    // 1080p H.264, 30 s (transcode)
    Clip longH264;               // 1080p H.264, 60 s, 2 s groups (cut)
    Clip hevc;                   // 1080p HEVC with B-frames, 20 s, 2 s groups
    Clip uhd;                    // 2160p H.264, 20 s, 2 s groups
    Clip split;                  // 1080p H.264, 600 s, 10 Mbit/s
    std::vector<Clip> joins;     // three different 1080p clips
    std::vector<Clip> longJoins; // two different 720p clips of 600 s with stereo sound
    std::vector<Clip> probes;    // twenty different files
    std::vector<ClassClip> classes;
    Clip longTs;      // 1080p H.264/AAC MPEG-TS, 600 s, 2 s groups (index)
    Clip untimedTs;   // the same with no time stored on any picture
    Clip programH264; // 640x360 H.264/AC-3 program stream, 60 s, some pictures stored without a time
    std::vector<Clip> untimedJoins; // the three join clips as transport streams, keyframes timed only
    Clip interlacedTs;              // 1080i MPEG-2/MP2 MPEG-TS, 25 fps, 120 s, 15 Mbit/s
    Clip longTsMp4;                 // longTs copied into MP4
    Clip bigTs, bigTsMp4;           // longTs looped by copy to over 2 GB (60 s: 225 MB), and as MP4
};

// Makes (or finds in the cache) the sources the named jobs need (all when none is named).
bool makeSources(bool small, const std::vector<std::string>& jobs, Sources* out);
