#include "BenchSources.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

bool ffmpeg(const std::string& args) {
    const std::string command = std::string(FFMPEG_EXECUTABLE) + " -v error -nostdin -y " + args;
    // The bench makes its sources on one thread, before any job runs.
    return std::system(command.c_str()) == 0; // NOLINT(concurrency-mt-unsafe)
}

// "<kind><i>_<tag><version>.mp4": the file of the i-th source of a kind.
std::string numberedName(const char* kind, int i, const std::string& tag, const std::string& version) {
    std::string name = kind + std::to_string(i);
    name += '_';
    name += tag;
    name += version;
    name += ".mp4";
    return name;
}

// Four scenes of moving pictures under grain that changes every frame, as a camera's sensor
// gives, and a tone with a little noise; `seed` makes each clip different.
std::string sceneInputs(const std::string& size, int seconds, int seed) {
    const std::string part = std::to_string(double(seconds) / 4), s = std::to_string(seed);
    // 2160p scenes are drawn with their grain at 1080p and scaled up: drawing them at 2160p takes
    // many minutes on a busy machine. The scaled stream loses its frame rate, and an MP4 output
    // then repeats each picture thousands of times to fill a guessed rate: fps=30 restores it.
    const bool uhd = size == "3840x2160";
    const std::string common = "s=" + std::string(uhd ? "1920x1080" : size) + ":r=30:d=" + part;
    const std::string video = "testsrc2=" + common + "[a];gradients=" + common + ":speed=0.04:seed=" + s +
                              "[b];testsrc2=" + common + ",hflip,hue=H=t+" + s + "[c];gradients=" + common +
                              ":n=5:speed=0.08:seed=" + std::to_string(seed + 7) +
                              "[d];[a][b][c][d]concat=n=4,noise=alls=14:allf=t+u:all_seed=" + s +
                              (uhd ? ",scale=3840:2160,fps=30" : "") + "[out0]";
    const std::string sound = "sine=f=" + std::to_string(220 + 20 * (seed % 10)) +
                              ":sample_rate=48000:d=" + std::to_string(seconds) +
                              "[s];anoisesrc=r=48000:a=0.02:d=" + std::to_string(seconds) + ":seed=" + s +
                              "[n];[s][n]amix=inputs=2[out0]";
    return "-f lavfi -i \"" + video + "\" -f lavfi -i \"" + sound + "\" -map 0:v -map 1:a -shortest ";
}

// Points `clip` at `file` in the cache; true when it is there already (else its folder is made).
bool inCache(const fs::path& file, int seconds, const std::string& what, Clip* clip) {
    clip->path = file.string();
    clip->name = what;
    clip->seconds = seconds;
    if (fs::exists(file))
        return true;
    fs::create_directories(file.parent_path());
    std::cout << "Making " << file << " once ..." << std::endl;
    return false;
}

// The file `name` in the cache, made with `codecs` when it is not there yet.
bool cached(const std::string& name, const std::string& size, int seconds, int seed,
            const std::string& codecs, const std::string& what, Clip* clip) {
    const fs::path file = fs::path(BENCH_CACHE_DIR) / name;
    if (inCache(file, seconds, what, clip))
        return true;
    const fs::path partial = file.parent_path() / ("partial_" + name);
    if (!ffmpeg(sceneInputs(size, seconds, seed) + codecs + " " + partial.string()))
        return false;
    fs::rename(partial, file);
    return true;
}

// A long file made quickly: 10 s of picture encoded by `picture` (input and codec arguments) and
// looped by copy, which keeps every frame on its grid, with the sound `sound` (a lavfi source)
// encoded for the whole length with `soundCodec`.
bool loopedSource(const fs::path& file, int seconds, const std::string& picture, const std::string& sound,
                  const std::string& soundCodec) {
    const fs::path piece = file.parent_path() / (file.stem().string() + "_piece.mp4");
    const fs::path partial =
        file.parent_path() / (file.stem().string() + "_partial" + file.extension().string());
    const std::string loops = std::to_string(std::max(0, seconds / 10 - 1));
    if (!ffmpeg(picture + " " + piece.string()) ||
        !ffmpeg("-stream_loop " + loops + " -i " + piece.string() + " -f lavfi -i " + sound +
                " -map 0:v -map 1:a -c:v copy " + soundCodec + " -shortest " + partial.string()))
        return false;
    fs::remove(piece);
    fs::rename(partial, file);
    return true;
}

// A 600 s 1080p H.264/AAC file of about 10 Mbit/s with 2 s groups of pictures (the grain keeps
// the rate up).
bool splitSource(Clip* clip) {
    const fs::path file = fs::path(BENCH_CACHE_DIR) / "split_600s_1080p_v2.mp4";
    if (inCache(file, 600, "1080p H.264 600 s grainy, 10 Mbit/s", clip))
        return true;
    return loopedSource(
        file, 600,
        "-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=10,noise=alls=12:allf=t"
        " -c:v libx264 -preset ultrafast -b:v 10M -maxrate 10M -bufsize 20M -g 60 -pix_fmt yuv420p",
        "sine=frequency=440:sample_rate=48000:duration=600", "-c:a aac");
}

// A long 30 fps H.264/AAC clip of 2 Mbit/s with stereo sound of 48 kHz, a tone of its own per
// `seed`.
bool longSource(const std::string& size, int seconds, int seed, const std::string& what, Clip* clip) {
    const std::string name = "longjoin" + std::to_string(seed) + "_" + size + "_" + std::to_string(seconds);
    const fs::path file = fs::path(BENCH_CACHE_DIR) / (name + ".mp4");
    if (inCache(file, seconds, what, clip))
        return true;
    return loopedSource(
        file, seconds,
        "-f lavfi -i testsrc2=size=" + size + ":rate=30:duration=10,hue=H=" + std::to_string(seed) +
            " -c:v libx264 -preset ultrafast -b:v 2M -maxrate 2M -bufsize 4M -g 60 -pix_fmt yuv420p",
        "sine=frequency=" + std::to_string(330 + 110 * seed) +
            ":sample_rate=48000:duration=" + std::to_string(seconds),
        "-c:a aac -ac 2");
}

// A 600 s 1080p H.264/AAC transport stream of 5 Mbit/s with 2 s groups, cheaply encoded.
bool longTsSource(bool small, Clip* clip) {
    const std::string tag = small ? "240p_60s" : "1080p_600s";
    const fs::path file = fs::path(BENCH_CACHE_DIR) / ("ts_" + tag + "_v1.ts");
    const int seconds = small ? 60 : 600;
    if (inCache(file, seconds, small ? "240p H.264 TS 60 s" : "1080p H.264 TS 600 s", clip))
        return true;
    return loopedSource(
        file, seconds,
        std::string("-f lavfi -i testsrc2=size=") + (small ? "320x240" : "1920x1080") +
            ":rate=30:duration=10,noise=alls=12:allf=t -c:v libx264 -preset ultrafast -threads 2"
            " -b:v 5M -maxrate 5M -bufsize 10M -g 60 -pix_fmt yuv420p",
        "sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds), "-c:a aac");
}

// `in` with the times of its picture stream's PES headers taken out (their flags cleared, their
// bytes left as stuffing): a transport stream whose pictures store no time, as some recorders
// write them. Only headers that hold nothing after their times are changed. With `keepKeys`, a
// picture the multiplexer marked as a random access point (a keyframe) keeps its time.
bool untimedCopy(const fs::path& in, const fs::path& out, bool keepKeys) {
    std::ifstream src(in, std::ios::binary);
    std::ofstream dst(out, std::ios::binary);
    char packet[188];
    while (src.read(packet, sizeof packet)) {
        auto* b = reinterpret_cast<unsigned char*>(packet);
        if (b[0] != 0x47)
            return false;
        const bool start = b[1] & 0x40;
        const int control = b[3] >> 4 & 3;
        const int at = control == 3 ? 5 + b[4] : control == 1 ? 4 : 188;
        if (start && at + 19 <= 188) {
            unsigned char* pes = b + at;
            const bool video = pes[0] == 0 && pes[1] == 0 && pes[2] == 1 && (pes[3] & 0xf0) == 0xe0;
            const int times = pes[7] >> 6;
            const bool key = control == 3 && b[4] > 0 && (b[5] & 0x40);
            if (video && !(keepKeys && key) && (pes[6] & 0xc0) == 0x80 && (times == 2 || times == 3) &&
                (pes[7] & 0x3f) == 0) {
                std::fill_n(pes + 9, times == 3 ? 10 : 5, 0xff);
                pes[7] &= 0x3f;
            }
        }
        dst.write(packet, sizeof packet);
    }
    return src.eof() && dst.good();
}

bool untimedTsSource(const Clip& timed, Clip* clip, bool keepKeys = false) {
    const fs::path in(timed.path);
    const std::string prefix = keepKeys ? "keyed_" : "untimed_";
    const fs::path file = in.parent_path() / (prefix + in.filename().string());
    if (inCache(file, int(timed.seconds), (keepKeys ? "keyframe-timed " : "untimed ") + timed.name, clip))
        return true;
    const fs::path partial = in.parent_path() / ("partial_" + prefix + in.filename().string());
    if (!untimedCopy(in, partial, keepKeys))
        return false;
    fs::rename(partial, file);
    return true;
}

// `clip` moved into a transport stream by copy (the cache's "ts_<name>.ts").
bool tsCopy(const Clip& clip, Clip* out) {
    const fs::path in(clip.path);
    const fs::path file = in.parent_path() / ("ts_" + in.stem().string() + ".ts");
    if (inCache(file, int(clip.seconds), clip.name + " TS", out))
        return true;
    const fs::path partial = in.parent_path() / ("partial_ts_" + in.stem().string() + ".ts");
    if (!ffmpeg("-i " + clip.path + " -map 0 -c copy -f mpegts " + partial.string()))
        return false;
    fs::rename(partial, file);
    return true;
}

// `in` copied with `args` (input options first) into the cache's `name`.
bool copied(const Clip& in, const std::string& inputArgs, const std::string& name, int seconds,
            const std::string& what, Clip* out) {
    const fs::path file = fs::path(BENCH_CACHE_DIR) / name;
    if (inCache(file, seconds, what, out))
        return true;
    const fs::path partial = file.parent_path() / ("partial_" + name);
    if (!ffmpeg(inputArgs + " -i " + in.path + " -map 0 -c copy " + partial.string()))
        return false;
    fs::rename(partial, file);
    return true;
}

// The ordinary transport streams a window opens (every picture timed): the long one, the same
// looped six times (over 2 GB), and each copied into MP4.
bool ordinaryTsSources(bool small, Sources* out) {
    const std::string tag = small ? "240p" : "1080p";
    const int loops = 6, seconds = int(out->longTs.seconds) * loops;
    return copied(out->longTs, "", "ts_" + tag + "_v1.mp4", int(out->longTs.seconds),
                  out->longTs.name + " as MP4", &out->longTsMp4) &&
           copied(out->longTs, "-stream_loop " + std::to_string(loops - 1), "bigts_" + tag + "_v1.ts",
                  seconds, tag + " H.264 TS " + std::to_string(seconds) + " s", &out->bigTs) &&
           copied(out->bigTs, "", "bigts_" + tag + "_v1.mp4", seconds, out->bigTs.name + " as MP4",
                  &out->bigTsMp4);
}

// An interlaced MPEG-2/MP2 transport stream of 25 fps as a broadcast recording gives: 120 s of
// 1080i at 15 Mbit/s (small: 30 s of 288i at 3 Mbit/s), groups of 12 pictures with B-frames.
bool interlacedSource(bool small, Clip* clip) {
    const int seconds = small ? 30 : 120;
    const fs::path file =
        fs::path(BENCH_CACHE_DIR) / (small ? "mpeg2i_288_30s_v1.ts" : "mpeg2i_1080_120s_v1.ts");
    if (inCache(file, seconds, small ? "288i MPEG-2 TS 30 s" : "1080i MPEG-2 TS 120 s, 15 Mbit/s", clip))
        return true;
    const std::string rate = small ? "3M" : "15M";
    return loopedSource(
        file, seconds,
        std::string("-f lavfi -i testsrc2=size=") + (small ? "352x288" : "1920x1080") +
            ":rate=25:duration=10,noise=alls=12:allf=t,setfield=tff -c:v mpeg2video -flags +ilme+ildct -top 1"
            " -b:v " +
            rate + " -maxrate " + rate + " -bufsize " + (small ? "1835k" : "9781k") +
            " -g 12 -bf 2 -pix_fmt yuv420p",
        "sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds), "-c:a mp2 -b:a 192k");
}

const char* const kH264 = "-c:v libx264 -preset veryfast -g 60 -sc_threshold 0 -pix_fmt yuv420p -c:a aac";

// The MPEG streams the index's jobs read: a long transport stream, the same with no picture
// timed, and a partly untimed program stream.
template <typename Wanted> bool indexSources(bool small, const Wanted& wanted, Sources* out) {
    bool ok = true;
    if (wanted("index") || wanted("untimed-open") || wanted("untimed-cut") || wanted("ts-open"))
        ok = ok && longTsSource(small, &out->longTs);
    if (wanted("ts-open"))
        ok = ok && ordinaryTsSources(small, out);
    if (wanted("index") || wanted("untimed-open") || wanted("untimed-cut"))
        ok = ok && untimedTsSource(out->longTs, &out->untimedTs);
    // A program stream times a picture only where a packet of 2 KiB starts with it: small
    // pictures that share a packet store no time.
    if (wanted("ps-mp4"))
        ok =
            ok &&
            cached(
                std::string("ps_") + (small ? "240p" : "360p") + "_v1.vob", small ? "320x240" : "640x360",
                small ? 12 : 60, 40,
                "-c:v libx264 -preset veryfast -threads 2 -b:v 400k -g 60 -pix_fmt yuv420p -c:a ac3 -f vob",
                small ? "240p H.264/AC-3 PS 12 s, partly untimed" : "360p H.264/AC-3 PS 60 s, partly untimed",
                &out->programH264);
    // Made from the join's clips, which come first.
    if (wanted("untimed-join"))
        for (size_t i = 0; i < out->joins.size() && ok; ++i) {
            Clip ts;
            out->untimedJoins.emplace_back();
            ok = tsCopy(out->joins[i], &ts) && untimedTsSource(ts, &out->untimedJoins.back(), true);
        }
    if (wanted("split-ts"))
        ok = ok && interlacedSource(small, &out->interlacedTs);
    return ok;
}

} // namespace

bool makeSources(bool small, const std::vector<std::string>& jobs, Sources* out) {
    const auto wanted = [&](const char* job) {
        return jobs.empty() || std::find(jobs.begin(), jobs.end(), job) != jobs.end();
    };
    const std::string hd = small ? "320x240" : "1920x1080", tag = small ? "240p" : "1080p";
    const std::string v = "_v3"; // the recipe's version: a changed recipe makes new files
    bool ok = true;
    if (wanted("transcode"))
        ok = ok && cached("mid_" + tag + v + ".mp4", hd, small ? 3 : 30, 1, kH264, tag + " H.264 30 s grainy",
                          &out->mid);
    if (wanted("cut"))
        ok = ok && cached("long_" + tag + v + ".mp4", hd, small ? 12 : 60, 2, kH264,
                          tag + " H.264 60 s grainy, 2 s groups", &out->longH264);
    if (wanted("hevc"))
        ok = ok && cached("hevc_" + tag + v + ".mp4", hd, small ? 12 : 20, 3,
                          "-c:v libx265 -preset superfast -x265-params "
                          "log-level=error:keyint=60:min-keyint=60:scenecut=0:open-gop=0:bframes=3 "
                          "-pix_fmt yuv420p -c:a aac",
                          tag + " HEVC 20 s grainy, B-frames, 2 s groups", &out->hevc);
    if (wanted("uhd"))
        ok = ok &&
             cached(
                 std::string("uhd_") + (small ? "480p" : "2160p") + v + ".mp4",
                 small ? "640x480" : "3840x2160", small ? 12 : 20, 4,
                 "-c:v libx264 -preset ultrafast -b:v 40M -maxrate 40M -bufsize 80M -g 60 -pix_fmt yuv420p "
                 "-c:a aac",
                 small ? "480p H.264 grainy, 2 s groups" : "2160p H.264 20 s grainy, 2 s groups", &out->uhd);
    if (wanted("split"))
        ok = ok && splitSource(&out->split);
    if (wanted("join") || wanted("fade") || wanted("untimed-join"))
        for (int i = 0; i < 3 && ok; ++i) {
            out->joins.emplace_back();
            ok = cached(numberedName("join", i, tag, v), hd, small ? 4 : 20, 10 + i, kH264,
                        tag + " H.264 20 s grainy", &out->joins.back());
        }
    if (wanted("longjoin"))
        for (int i = 0; i < 2 && ok; ++i) {
            out->longJoins.emplace_back();
            ok = longSource(small ? "320x240" : "1280x720", small ? 120 : 600, i,
                            small ? "240p H.264 120 s, stereo" : "720p H.264 600 s, stereo",
                            &out->longJoins.back());
        }
    if (wanted("probe"))
        for (int i = 0; i < 20 && ok; ++i) {
            out->probes.emplace_back();
            ok = cached(numberedName("probe", i, tag, v), hd, 2, 20 + i, kH264, tag + " H.264 2 s files",
                        &out->probes.back());
        }
    if (wanted("classes")) {
        struct Class {
            const char *name, *ext, *make, *encode;
        };
        static const Class kClasses[] = {
            {"MP4 H.264/AAC", "mp4", "-c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac", ""},
            {"MPEG-TS H.264/AAC, 8 s groups", "ts",
             "-c:v libx264 -preset veryfast -g 240 -pix_fmt yuv420p -c:a aac",
             "-c:v libx264 -preset veryfast -c:a aac"},
            {"MPEG-PS MPEG-2/MP2", "mpg", "-f vob -c:v mpeg2video -q:v 4 -g 15 -c:a mp2",
             "-f vob -c:v mpeg2video -q:v 4 -c:a mp2"},
            {"AVI MPEG-4/MP3", "avi", "-c:v mpeg4 -q:v 4 -g 60 -c:a libmp3lame",
             "-c:v mpeg4 -q:v 4 -c:a libmp3lame"},
            {"WebM VP9/Opus", "webm",
             "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 1M -g 60 -c:a libopus",
             "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 1M -c:a libopus"},
            {"WMV WMV2/WMA", "wmv", "-c:v wmv2 -b:v 2M -g 60 -c:a wmav2", "-c:v wmv2 -b:v 2M -c:a wmav2"},
        };
        const std::string size = small ? "320x240" : "1280x720", t = small ? "240p " : "720p ";
        for (const Class& c : kClasses) {
            ClassClip k;
            k.ext = std::string(".") + c.ext;
            k.encode = c.encode;
            k.seekByDecoding = k.ext == ".ts";
            ok = ok && cached(std::string("class_") + t.substr(0, t.size() - 1) + v + k.ext, size,
                              small ? 12 : 40, 30, c.make, t + c.name + " 40 s grainy", &k.clip);
            out->classes.push_back(k);
        }
    }
    return ok && indexSources(small, wanted, out);
}
