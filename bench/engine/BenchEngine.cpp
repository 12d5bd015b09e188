// bench_engine [--small | --cuts]: times libMediaCore against the ffmpeg command line on the same jobs
// (a 1080p H.264/AAC transcode, a frame-accurate keep-format cut from the middle of a long file, a
// three-clip copy join, probe and snapshot of 20 files, keep-format cuts of each container class) and
// prints each ratio engine / ffmpeg. --cuts: only the frame-accurate 1080p cut and the container classes.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "mediacore/MediaCore.h"

namespace fs = std::filesystem;

namespace {

double seconds(const std::function<bool()>& work, bool* ok) {
    const auto start = std::chrono::steady_clock::now();
    *ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs `work` in a child process: its time, and in `peakMiB` the peak resident memory of the
// child and anything it ran (wait4 reports the largest).
double inChild(const std::function<bool()>& work, bool* ok, double* peakMiB) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(work() ? 0 : 1);
    int status = 0;
    struct rusage usage {};
    *ok = pid > 0 && ::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    *peakMiB = double(usage.ru_maxrss) / 1024.0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Paths here are made by this program inside its own temporary folder: no quoting surprises.
bool ffmpeg(const std::string& args) {
    const std::string command = std::string(FFMPEG_EXECUTABLE) + " -v error -nostdin -y " + args;
    return std::system(command.c_str()) == 0;
}

bool convert(const std::string& in, const std::string& out, int64_t start, int64_t end, const char* vcodec,
             const char* acodec) {
    void* h = apiMediaConvertCreate();
    bool ok = apiMediaConvertSetInputMedia(h, in.c_str()) >= 1;
    if (ok && end > 0)
        ok = apiMediaConvertSetCutTime(h, start, end) >= 1;
    if (ok && vcodec)
        apiMediaConvertSetVcodec(h, vcodec);
    if (ok && acodec)
        apiMediaConvertSetAcodec(h, acodec);
    ok = ok && apiMediaConvertSetOutputPath(h, out.c_str()) >= 1 && apiMediaConvertStart(h) >= 1;
    apiMediaConvertClose(h);
    return ok;
}

void report(const std::string& job, double engine, double reference, const std::string& against) {
    std::cout << std::left << std::setw(44) << job << std::right << std::fixed << std::setprecision(2)
              << std::setw(8) << engine << " s  vs " << std::setw(8) << reference << " s (" << against
              << ")  ratio " << std::setprecision(2) << (reference > 0 ? engine / reference : 0) << std::endl;
}

// "p7.mp4". Built by appending: GCC 12 at -O3 falsely reports -Wrestrict on `"p" + std::to_string(i)`.
std::string numbered(const char* prefix, int i, const char* suffix) {
    std::string name(prefix);
    name += std::to_string(i);
    name += suffix;
    return name;
}

// A frame-accurate keep-format cut of 10 s from the middle of `file` (H.264 with 2 s groups of
// pictures), starting between keyframes: the engine against ffmpeg's packet copy of the same
// range (the floor: it starts on a keyframe, not on the frame asked for) and against ffmpeg
// re-encoding the range exactly; each in a child process of its own, for its peak memory.
bool accurateCut(const fs::path& dir, const std::string& file, int fileSeconds) {
    const auto out = [&](const std::string& name) {
        fs::remove(dir / name);
        return (dir / name).string();
    };
    const int64_t mid = int64_t(fileSeconds / 2 - 5) * 1000000 + 400000;
    const std::string ss = std::to_string(mid / 1e6);
    bool ok1 = false, ok2 = false, ok3 = false;
    double enginePeak = 0, copyPeak = 0, encodePeak = 0;
    const double e = inChild(
        [&] { return convert(file, out("c_engine.mp4"), mid, mid + 10000000, nullptr, nullptr); }, &ok1,
        &enginePeak);
    const double copy = inChild(
        [&] { return ffmpeg("-ss " + ss + " -i " + file + " -t 10 -c copy " + out("c_copy.mp4")); }, &ok2,
        &copyPeak);
    const double encode = inChild(
        [&] {
            return ffmpeg("-ss " + ss + " -i " + file + " -t 10 -c:v libx264 -preset veryfast -crf 20 -c:a aac " +
                          out("c_enc.mp4"));
        },
        &ok3, &encodePeak);
    const std::string job = "accurate cut 10 s of " + std::to_string(fileSeconds) + " s";
    report(job, e, copy, "ffmpeg -c copy");
    report(job, e, encode, "ffmpeg re-encode");
    std::cout << "  peak memory of that cut " << std::fixed << std::setprecision(0) << enginePeak
              << " MiB (ffmpeg -c copy " << copyPeak << " MiB, re-encode " << encodePeak << " MiB)" << std::endl;
    return ok1 && ok2 && ok3;
}

// A container class: how ffmpeg makes its input, and the codecs an ffmpeg re-encode of a
// range uses to keep the format.
struct ContainerClass {
    const char* name;
    const char* ext;
    const char* make;   // encoding options for the input
    const char* encode; // the same codecs for a re-encode of the range
};

// 5. Keep-format cuts of 10 s from the middle for each container class: the engine (exact
// frames, re-encoding where it must) against ffmpeg's packet copy (keyframe-exact only) and
// against ffmpeg re-encoding the same range with the source's codecs.
bool containerCuts(const fs::path& dir, const std::string& size, int seconds_) {
    static const ContainerClass kClasses[] = {
        {"MP4 H.264/AAC", "mp4", "-c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac", ""},
        {"MPEG-TS H.264/AAC, 8 s GOP", "ts", "-c:v libx264 -preset veryfast -g 240 -pix_fmt yuv420p -c:a aac",
         "-c:v libx264 -preset veryfast -c:a aac"},
        {"MPEG-PS MPEG-2/MP2", "mpg", "-f vob -c:v mpeg2video -q:v 4 -g 15 -c:a mp2",
         "-f vob -c:v mpeg2video -q:v 4 -c:a mp2"},
        {"AVI MPEG-4/MP3", "avi", "-c:v mpeg4 -q:v 4 -g 60 -c:a libmp3lame", "-c:v mpeg4 -q:v 4 -c:a libmp3lame"},
        {"WebM VP9/Opus", "webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 1M -g 60 -c:a libopus",
         "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 1M -c:a libopus"},
        {"WMV WMV2/WMA", "wmv", "-c:v wmv2 -b:v 2M -g 60 -c:a wmav2", "-c:v wmv2 -b:v 2M -c:a wmav2"},
    };
    bool all = true;
    for (const ContainerClass& c : kClasses) {
        const std::string in = (dir / (std::string("class.") + c.ext)).string();
        if (!ffmpeg("-f lavfi -i testsrc2=size=" + size + ":rate=30:duration=" + std::to_string(seconds_) +
                    " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds_) + " " +
                    c.make + " -shortest " + in))
            return false;
        const int64_t mid = int64_t(seconds_ / 2 - 5) * 1000000 + 400000;
        const std::string ss = std::to_string(mid / 1e6), ext = std::string(".") + c.ext;
        const auto out = [&](const char* stem) {
            fs::remove(dir / (stem + ext));
            return (dir / (stem + ext)).string();
        };
        bool ok1 = false, ok2 = false, ok3 = true;
        const double e = seconds([&] { return convert(in, out("k_engine"), mid, mid + 10000000, nullptr, nullptr); },
                                 &ok1);
        const double copy = seconds(
            [&] { return ffmpeg("-ss " + ss + " -i " + in + " -t 10 -c copy " + out("k_copy")); }, &ok2);
        report(std::string("cut 10 s, ") + c.name, e, copy, "ffmpeg -c copy");
        if (*c.encode) {
            const double enc = seconds(
                [&] { return ffmpeg("-ss " + ss + " -i " + in + " -t 10 " + c.encode + " " + out("k_enc")); }, &ok3);
            report(std::string("cut 10 s, ") + c.name, e, enc, "ffmpeg re-encode");
        }
        all = all && ok1 && ok2 && ok3;
        fs::remove(in);
    }
    return all;
}

} // namespace

int main(int argc, char** argv) {
    const bool small = argc > 1 && std::string(argv[1]) == "--small";
    // --cuts: only the keep-format cuts of each container class, at full size.
    if (argc > 1 && std::string(argv[1]) == "--cuts") {
        const fs::path dir = fs::temp_directory_path() / ("bench_cuts_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const std::string file = (dir / "accurate.mp4").string();
        bool ok = ffmpeg("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 -f lavfi -i "
                         "sine=frequency=440:sample_rate=48000:duration=60 -c:v libx264 -preset veryfast -g 60 "
                         "-pix_fmt yuv420p -c:a aac -shortest " +
                         file) &&
                  accurateCut(dir, file, 60);
        ok = containerCuts(dir, "1280x720", 40) && ok;
        fs::remove_all(dir);
        return ok ? 0 : 1;
    }
    const fs::path dir = fs::temp_directory_path() / ("bench_engine_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string big = (dir / "big.mp4").string(), longFile = (dir / "long.mp4").string();
    const std::string size = small ? "320x240" : "1920x1080";
    const int bigSeconds = small ? 3 : 30, longSeconds = small ? 12 : 60;
    std::cout << "Making inputs in " << dir << " ...\n";
    const std::string source = " -f lavfi -i testsrc2=size=" + size + ":rate=30:duration=";
    const std::string tone = " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=";
    if (!ffmpeg(source + std::to_string(bigSeconds) + tone + std::to_string(bigSeconds) +
                " -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -shortest " + big) ||
        !ffmpeg(source + std::to_string(longSeconds) + tone + std::to_string(longSeconds) +
                " -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -shortest " + longFile)) {
        std::cerr << "ffmpeg could not make the inputs\n";
        return 1;
    }
    bool ok1 = false, ok2 = false;
    const auto out = [&](const std::string& name) {
        fs::remove(dir / name);
        return (dir / name).string();
    };

    // 1. Transcode to H.264/AAC (the engine's quality defaults: veryfast, CRF 20).
    double e = seconds([&] { return convert(big, out("t_engine.mp4"), 0, 0, "libx264", "aac"); }, &ok1);
    double f = seconds(
        [&] {
            return ffmpeg("-i " + big + " -c:v libx264 -preset veryfast -crf 20 -c:a aac " +
                          out("t_ffmpeg.mp4"));
        },
        &ok2);
    report("transcode " + size + " " + std::to_string(bigSeconds) + " s", e, f, "ffmpeg re-encode");

    // 2. Keep-format cut of 10 s from the middle (exact frames).
    const bool accurate = accurateCut(dir, longFile, longSeconds);

    // 3. Three-clip copy join.
    e = seconds(
        [&] {
            void* h = apiMediaJoinCreate();
            bool ok = apiMediaJoinSetOutputPath(h, out("j_engine.mp4").c_str()) >= 1;
            for (int i = 0; i < 3; ++i)
                ok = ok && apiMediaJoinAddMediaClip(h, longFile.c_str(), 0, 0) != 0;
            apiMediaJoinSetVideoCodec(h, "copy");
            apiMediaJoinSetAudioCodec(h, "copy");
            ok = ok && apiMediaJoinStart(h) == 0;
            apiMediaJoinClose(h);
            return ok;
        },
        &ok1);
    const std::string list = (dir / "list.txt").string();
    ffmpeg("-f lavfi -i anullsrc -t 0.1 " + out("dummy.wav")); // warms the ffmpeg binary
    {
        std::string text;
        for (int i = 0; i < 3; ++i)
            text += "file '" + longFile + "'\n";
        FILE* fp = std::fopen(list.c_str(), "w");
        if (fp) {
            std::fputs(text.c_str(), fp);
            std::fclose(fp);
        }
    }
    f = seconds([&] { return ffmpeg("-f concat -safe 0 -i " + list + " -c copy " + out("j_ffmpeg.mp4")); },
                &ok2);
    report("copy join of 3 x " + std::to_string(longSeconds) + " s", e, f, "ffmpeg concat -c copy");

    // 4. Probe and snapshot of 20 files.
    std::vector<std::string> files;
    for (int i = 0; i < 20; ++i) {
        const fs::path p = dir / numbered("p", i, ".mp4");
        fs::copy_file(big, p, fs::copy_options::overwrite_existing);
        files.push_back(p.string());
    }
    std::vector<unsigned char> buffer(285 * 180 * 4);
    e = seconds(
        [&] {
            for (const std::string& p : files) {
                void* m = MediaOpen(p.c_str());
                MEDIA_AUDIO_STREAM_INFO a{};
                MEDIA_VIDEO_STREAM_INFO v{};
                if (!m || MediaGetInfo(m, &a, &v) < 1 || MediaSnapshot(m, 0, 285, 180, buffer.data(), 0) < 1)
                    return false;
                MediaClose(m);
            }
            return true;
        },
        &ok1);
    f = seconds(
        [&] {
            bool ok = true;
            for (size_t i = 0; i < files.size(); ++i)
                ok =
                    ok &&
                    std::system(
                        (std::string(FFMPEG_EXECUTABLE).substr(0, std::string(FFMPEG_EXECUTABLE).size() - 6) +
                         "ffprobe -v error -show_streams " + files[i] + " > /dev/null")
                            .c_str()) == 0 &&
                    ffmpeg("-i " + files[i] + " -frames:v 1 -s 285x180 " +
                           out(numbered("s", i, ".png")));
            return ok;
        },
        &ok2);
    report("probe + snapshot of 20 files", e, f, "ffprobe + ffmpeg");

    const bool cuts = containerCuts(dir, size, longSeconds);

    fs::remove_all(dir);
    return ok1 && ok2 && accurate && cuts ? 0 : 1;
}
