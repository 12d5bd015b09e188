// bench_engine [--small] [job...]: times libMediaCore against the ffmpeg command line on the same
// jobs and prints each ratio engine / ffmpeg, then all of them side by side with the ratio each
// should stay within. Jobs: transcode, cut, join, probe, split, classes (keep-format cuts of each
// container class); all of them when none is named. --cuts: the frame-accurate 1080p cut and the
// container classes at 720p.
#include <algorithm>
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

#include <QLoggingCategory>

#include "mediacore/MediaCore.h"

#include "BenchSplit.h"
#include "platform/FfmpegLog.h"

namespace fs = std::filesystem;

namespace {

double seconds(const std::function<bool()>& work, bool* ok) {
    const auto start = std::chrono::steady_clock::now();
    *ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest of `runs` runs: jobs bound by reading and writing vary from run to run with
// what else the machine does.
double fastestOf(int runs, const std::function<bool()>& work, bool* ok) {
    double best = 0;
    *ok = true;
    for (int i = 0; i < runs && *ok; ++i) {
        const double t = seconds(work, ok);
        best = i == 0 ? t : std::min(best, t);
    }
    return best;
}

// A new modification time, so that no run finds what an earlier run of this process learnt
// about the file.
void touch(const std::string& path) {
    fs::last_write_time(path, fs::file_time_type::clock::now());
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

struct Row {
    std::string job, against;
    double ratio, target; // target 0: none
};
std::vector<Row> gRows;

void report(const std::string& job, double engine, double reference, const std::string& against,
            double target = 0) {
    gRows.push_back({job, against, reference > 0 ? engine / reference : 0, target});
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
    report(job, e, copy, "ffmpeg -c copy", 3.0);
    report(job, e, encode, "ffmpeg re-encode", 0.1);
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

// The inputs and scratch folder every job shares.
struct Bench {
    fs::path dir;
    std::string size, big, longFile;
    int bigSeconds = 0, longSeconds = 0;

    std::string out(const std::string& name) const {
        fs::remove(dir / name);
        return (dir / name).string();
    }
};

// 1. Transcode to H.264/AAC (the engine's quality defaults: veryfast, CRF 20).
bool benchTranscode(const Bench& b) {
    bool ok1 = false, ok2 = false;
    const double e = seconds([&] { return convert(b.big, b.out("t_engine.mp4"), 0, 0, "libx264", "aac"); }, &ok1);
    const double f = seconds(
        [&] {
            return ffmpeg("-i " + b.big + " -c:v libx264 -preset veryfast -crf 20 -c:a aac " + b.out("t_ffmpeg.mp4"));
        },
        &ok2);
    report("transcode " + b.size + " " + std::to_string(b.bigSeconds) + " s", e, f, "ffmpeg re-encode", 1.0);
    return ok1 && ok2;
}

// 2. Frame-accurate keep-format cut of 10 s from the middle of the long file.
bool benchCut(const Bench& b) {
    return accurateCut(b.dir, b.longFile, b.longSeconds);
}

// 3. Three-clip copy join (the fastest of three runs each).
bool benchJoin(const Bench& b) {
    bool ok1 = false, ok2 = false;
    const double e = fastestOf(
        3,
        [&] {
            touch(b.longFile);
            void* h = apiMediaJoinCreate();
            bool ok = apiMediaJoinSetOutputPath(h, b.out("j_engine.mp4").c_str()) >= 1;
            for (int i = 0; i < 3; ++i)
                ok = ok && apiMediaJoinAddMediaClip(h, b.longFile.c_str(), 0, 0) != 0;
            apiMediaJoinSetVideoCodec(h, "copy");
            apiMediaJoinSetAudioCodec(h, "copy");
            ok = ok && apiMediaJoinStart(h) == 0;
            apiMediaJoinClose(h);
            return ok;
        },
        &ok1);
    const std::string list = (b.dir / "list.txt").string();
    ffmpeg("-f lavfi -i anullsrc -t 0.1 " + b.out("dummy.wav")); // warms the ffmpeg binary
    {
        std::string text;
        for (int i = 0; i < 3; ++i)
            text += "file '" + b.longFile + "'\n";
        FILE* fp = std::fopen(list.c_str(), "w");
        if (fp) {
            std::fputs(text.c_str(), fp);
            std::fclose(fp);
        }
    }
    const double f = fastestOf(
        3, [&] { return ffmpeg("-f concat -safe 0 -i " + list + " -c copy " + b.out("j_ffmpeg.mp4")); }, &ok2);
    report("copy join of 3 x " + std::to_string(b.longSeconds) + " s", e, f, "ffmpeg concat -c copy", 0.8);
    return ok1 && ok2;
}

// 4. Probe and snapshot of 20 files (the fastest of three runs each).
bool benchProbe(const Bench& b) {
    bool ok1 = false, ok2 = false;
    std::vector<std::string> files;
    for (int i = 0; i < 20; ++i) {
        const fs::path p = b.dir / numbered("p", i, ".mp4");
        fs::copy_file(b.big, p, fs::copy_options::overwrite_existing);
        files.push_back(p.string());
    }
    std::vector<unsigned char> buffer(285 * 180 * 4);
    const double e = fastestOf(
        3,
        [&] {
            for (const std::string& p : files)
                touch(p);
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
    const double f = fastestOf(
        3,
        [&] {
            bool ok = true;
            for (size_t i = 0; i < files.size(); ++i)
                ok = ok &&
                     std::system((std::string(FFPROBE_EXECUTABLE) + " -v error -show_streams " + files[i] +
                                  " > /dev/null")
                                     .c_str()) == 0 &&
                     ffmpeg("-i " + files[i] + " -frames:v 1 -s 285x180 " + b.out(numbered("s", i, ".png")));
            return ok;
        },
        &ok2);
    report("probe + snapshot of 20 files", e, f, "ffprobe + ffmpeg", 0.25);
    return ok1 && ok2;
}

// 5. Split of a 600 s 1080p file into parts of at most 100 MiB (always at full size).
bool benchSplitJob(const Bench& b) {
    SplitTimes t;
    const bool ok = benchSplit(b.dir, &t);
    report("split 600 s 1080p into " + std::to_string(t.parts) + " x 100 MiB", t.engine, t.ffmpeg,
           "ffmpeg segment muxer", 1.2);
    return ok;
}

void printSideBySide() {
    std::cout << "\nRatios side by side (engine / ffmpeg; lower is faster):\n";
    for (const Row& r : gRows) {
        std::cout << "  " << std::left << std::setw(44) << r.job << std::setw(24) << r.against << std::right
                  << std::fixed << std::setprecision(2) << std::setw(6) << r.ratio;
        if (r.target > 0)
            std::cout << "  (at most " << r.target << (r.ratio <= r.target ? ", met)" : ", NOT met)");
        std::cout << "\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    routeFfmpegLog(); // as the program does: FFmpeg's lines go to its log categories, not stderr
    QLoggingCategory::setFilterRules(QStringLiteral("cutbench.*.debug=false"));
    bool small = false, cutsOnly = false;
    std::vector<std::string> jobs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--small")
            small = true;
        else if (a == "--cuts")
            cutsOnly = true;
        else
            jobs.push_back(a);
    }
    if (cutsOnly) // the frame-accurate 1080p cut and the container classes at 720p
        jobs = {"cut", "classes"};
    const auto wanted = [&](const char* job) {
        return jobs.empty() || std::find(jobs.begin(), jobs.end(), job) != jobs.end();
    };
    Bench b;
    b.dir = fs::temp_directory_path() / ("bench_engine_" + std::to_string(::getpid()));
    fs::create_directories(b.dir);
    b.big = (b.dir / "big.mp4").string();
    b.longFile = (b.dir / "long.mp4").string();
    b.size = small ? "320x240" : "1920x1080";
    b.bigSeconds = small ? 3 : 30;
    b.longSeconds = small ? 12 : 60;
    bool ok = true;
    if (wanted("transcode") || wanted("cut") || wanted("join") || wanted("probe")) {
        std::cout << "Making inputs in " << b.dir << " ...\n";
        const std::string source = " -f lavfi -i testsrc2=size=" + b.size + ":rate=30:duration=";
        const std::string tone = " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=";
        if (!ffmpeg(source + std::to_string(b.bigSeconds) + tone + std::to_string(b.bigSeconds) +
                    " -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -shortest " + b.big) ||
            !ffmpeg(source + std::to_string(b.longSeconds) + tone + std::to_string(b.longSeconds) +
                    " -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -shortest " + b.longFile)) {
            std::cerr << "ffmpeg could not make the inputs\n";
            fs::remove_all(b.dir);
            return 1;
        }
    }
    if (wanted("transcode"))
        ok = benchTranscode(b) && ok;
    if (wanted("cut"))
        ok = benchCut(b) && ok;
    if (wanted("join"))
        ok = benchJoin(b) && ok;
    if (wanted("probe"))
        ok = benchProbe(b) && ok;
    if (wanted("split"))
        ok = benchSplitJob(b) && ok;
    if (wanted("classes"))
        ok = (cutsOnly ? containerCuts(b.dir, "1280x720", 40) : containerCuts(b.dir, b.size, b.longSeconds)) && ok;
    printSideBySide();
    fs::remove_all(b.dir);
    if (!ok)
        std::cerr << "a job failed\n";
    return ok ? 0 : 1;
}
