// The split of a 600 s 1080p file into parts of at most 100 MiB: the splitter's own part
// sequence (each part capped, each starting where the one before it ended) against ffmpeg's
// segment muxer cutting the same file into as many parts by time.
#include "BenchSplit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "tools/shared/JobChain.h"
#include "tools/split/SizeSplit.h"

namespace fs = std::filesystem;

namespace {

bool ffmpegQuiet(const std::string& args) {
    const std::string command = std::string(FFMPEG_EXECUTABLE) + " -v error -nostdin -y " + args;
    return std::system(command.c_str()) == 0;
}

// A 600 s 1080p H.264/AAC file of about 10 Mbit/s with 2 s groups of pictures, made once and
// kept under the build folder: 10 s of picture are encoded (noise keeps the rate up) and looped
// by copy, which keeps every frame on the 30 fps grid; the sound is encoded for the whole length.
std::string longSplitSource() {
    const fs::path dir = BENCH_CACHE_DIR;
    const fs::path file = dir / "split_600s_1080p_v2.mp4";
    if (fs::exists(file))
        return file.string();
    fs::create_directories(dir);
    const fs::path piece = dir / "split_piece.mp4", partial = dir / "split_partial.mp4";
    std::cout << "Making the 600 s split source once in " << dir << " ...\n";
    if (!ffmpegQuiet("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=10,noise=alls=12:allf=t"
                     " -c:v libx264 -preset ultrafast -b:v 10M -maxrate 10M -bufsize 20M -g 60"
                     " -pix_fmt yuv420p " +
                     piece.string()) ||
        !ffmpegQuiet("-stream_loop 59 -i " + piece.string() +
                     " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=600 -map 0:v -map 1:a"
                     " -c:v copy -c:a aac -shortest " + partial.string()))
        return {};
    fs::remove(piece);
    fs::rename(partial, file);
    return file.string();
}

double probeSeconds(const std::string& path) {
    const std::string command =
        std::string(FFPROBE_EXECUTABLE) + " -v error -show_entries format=duration -of csv=p=0 " + path;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return 0;
    char line[64] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    return read ? std::atof(line) : 0;
}

} // namespace

bool benchSplit(const fs::path& dir, SplitTimes* times) {
    const std::string source = longSplitSource();
    if (source.empty())
        return false;
    const double seconds = probeSeconds(source);
    const int64_t limit = int64_t(100) * 1024 * 1024;
    const double fileBytes = double(fs::file_size(source));
    const fs::path engineDir = dir / "split_engine", ffmpegDir = dir / "split_ffmpeg";
    bool ok = true;
    int made = 0;
    // The fastest of three runs each: the job is bound by reading and writing.
    for (int run = 0; run < 3 && ok; ++run) {
        fs::remove_all(engineDir);
        fs::create_directories(engineDir);
        // A new modification time: no run finds what an earlier one learnt about the file.
        fs::last_write_time(source, fs::file_time_type::clock::now());
        auto start = std::chrono::steady_clock::now();
        SizeSplit parts(SizeSplit::Source{QString::fromStdString(source), int64_t(seconds * 1e6), 30.0},
                        QString::fromStdString(engineDir.string()), "part", "mp4", limit);
        made = 0;
        for (int i = 0;; ++i) {
            int error = 0;
            std::unique_ptr<EngineJob> job = parts.next(i, &error);
            if (!job) {
                ok = error == JobChain::kNoMoreJobs;
                break;
            }
            if (!job->succeeded(job->start())) {
                ok = false;
                break;
            }
            ++made;
        }
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        times->engine = run == 0 ? t : std::min(times->engine, t);

        // ffmpeg's segment muxer cuts by time: the segment length that gives parts of the cap's size.
        fs::remove_all(ffmpegDir);
        fs::create_directories(ffmpegDir);
        const double segment = seconds * double(limit) / fileBytes * 0.97;
        start = std::chrono::steady_clock::now();
        ok = ffmpegQuiet("-i " + source + " -map 0 -c copy -f segment -segment_time " + std::to_string(segment) +
                         " -reset_timestamps 1 " + (ffmpegDir / "part%03d.mp4").string()) &&
             ok;
        const double f = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        times->ffmpeg = run == 0 ? f : std::min(times->ffmpeg, f);
    }
    times->parts = made;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(engineDir, ec))
        if (fs::file_size(e.path()) > uint64_t(limit)) {
            std::cerr << e.path() << " passes the cap\n";
            ok = false;
        }
    fs::remove_all(engineDir);
    fs::remove_all(ffmpegDir);
    return ok;
}
