// bench_job JOB ARGS...: runs one engine job the way the program runs it, in a process of its
// own, so that bench_engine times it with the process start and the loading of the libraries
// and reads the peak memory of exactly this job. Exit status 0 when the job succeeded.
//   cut IN OUT FROM_US TO_US        keep-format cut
//   convert IN OUT VCODEC ACODEC    transcode of the whole file
//   join OUT FADE_US CLIP...        join (copy when FADE_US is 0, else a fade at every seam)
//   probe FILE...                   probe and snapshot of each file
//   open FILE...                    probe of each file (its streams and length), no snapshot
//   split IN DIR LIMIT_BYTES [EXT]  the splitter's part sequence, parts in mp4 or EXT (bench_split_job only)
// bench_job loads the engine alone; bench_split_job also links the program's code for the
// splitter, and with it Qt.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "mediacore/MediaCore.h"

#ifdef BENCH_JOB_SPLIT
#include <QLoggingCategory>
#include <QString>

#include "platform/FfmpegLog.h"
#include "tools/shared/JobChain.h"
#include "tools/split/SizeSplit.h"
#else
extern "C" {
#include <libavutil/log.h>
}
#endif

namespace {

bool convert(const char* in, const char* out, int64_t from, int64_t to, const char* vcodec,
             const char* acodec) {
    void* h = apiMediaConvertCreate();
    bool ok =
        apiMediaConvertSetInputMedia(h, in) >= 1 && (to <= 0 || apiMediaConvertSetCutTime(h, from, to) >= 1);
    if (ok && vcodec)
        apiMediaConvertSetVcodec(h, vcodec);
    if (ok && acodec)
        apiMediaConvertSetAcodec(h, acodec);
    ok = ok && apiMediaConvertSetOutputPath(h, out) >= 1 && apiMediaConvertStart(h) >= 1;
    apiMediaConvertClose(h);
    return ok;
}

bool join(const char* out, int64_t fadeUs, const std::vector<const char*>& clips) {
    void* h = apiMediaJoinCreate();
    bool ok = apiMediaJoinSetOutputPath(h, out) >= 1;
    for (size_t i = 0; ok && i < clips.size(); ++i) {
        const uint64_t id = apiMediaJoinAddMediaClip(h, clips[i], 0, 0);
        ok = id != 0 &&
             (fadeUs <= 0 || i + 1 == clips.size() || apiMediaJoinSetTransition(h, id, 3, fadeUs) >= 1);
    }
    if (fadeUs <= 0) {
        apiMediaJoinSetVideoCodec(h, "copy");
        apiMediaJoinSetAudioCodec(h, "copy");
    } else {
        apiMediaJoinSetVideoCodec(h, "libx264");
        apiMediaJoinSetAudioCodec(h, "aac");
    }
    ok = ok && apiMediaJoinStart(h) == 0;
    apiMediaJoinClose(h);
    return ok;
}

bool probe(const std::vector<const char*>& files, bool snapshot) {
    std::vector<unsigned char> buffer(size_t{285} * 180 * 4);
    for (const char* p : files) {
        void* m = MediaOpen(p);
        MEDIA_AUDIO_STREAM_INFO a{};
        MEDIA_VIDEO_STREAM_INFO v{};
        const bool ok = m && MediaGetInfo(m, &a, &v) >= 1 && MediaGetDuration(m) > 0 &&
                        (!snapshot || MediaSnapshot(m, 0, 285, 180, buffer.data(), 0) >= 1);
        if (m)
            MediaClose(m);
        if (!ok)
            return false;
    }
    return true;
}

#ifdef BENCH_JOB_SPLIT
bool split(const char* in, const char* dir, int64_t limit, const char* ext) {
    void* m = MediaOpen(in);
    MEDIA_VIDEO_STREAM_INFO v{};
    if (!m || MediaGetInfo(m, nullptr, &v) < 1) {
        if (m)
            MediaClose(m);
        return false;
    }
    const int64_t durationUs = MediaGetDuration(m);
    const double fps = v.fps > 0 ? v.fps : 30.0;
    MediaClose(m);
    SizeSplit parts(SizeSplit::Source{QString::fromUtf8(in), durationUs, fps}, QString::fromUtf8(dir), "part",
                    QString::fromUtf8(ext), limit);
    for (int i = 0;; ++i) {
        int error = 0;
        std::unique_ptr<EngineJob> job = parts.next(i, &error);
        if (!job)
            return error == JobChain::kNoMoreJobs;
        if (!job->succeeded(job->start()))
            return false;
    }
}
#endif

} // namespace

int main(int argc, char** argv) {
#ifdef BENCH_JOB_SPLIT
    routeFfmpegLog(); // as the program does: FFmpeg's lines go to its log categories, not stderr
    QLoggingCategory::setFilterRules(QStringLiteral("cutbench.*.debug=false\ncutbench.*.info=false"));
#else
    av_log_set_level(AV_LOG_ERROR); // what the program's log shows by default: failures
#endif
    const std::string job = argc > 1 ? argv[1] : "";
    const std::vector<const char*> rest(argv + std::min(argc, 2), argv + argc);
    bool ok = false;
    if (job == "cut" && rest.size() == 4)
        ok = convert(rest[0], rest[1], std::atoll(rest[2]), std::atoll(rest[3]), nullptr, nullptr);
    else if (job == "convert" && rest.size() == 4)
        ok = convert(rest[0], rest[1], 0, 0, rest[2], rest[3]);
    else if (job == "join" && rest.size() >= 3)
        ok = join(rest[0], std::atoll(rest[1]), std::vector<const char*>(rest.begin() + 2, rest.end()));
    else if (job == "probe" && !rest.empty())
        ok = probe(rest, true);
    else if (job == "open" && !rest.empty())
        ok = probe(rest, false);
#ifdef BENCH_JOB_SPLIT
    else if (job == "split" && (rest.size() == 3 || rest.size() == 4))
        ok = split(rest[0], rest[1], std::atoll(rest[2]), rest.size() == 4 ? rest[3] : "mp4");
#endif
    else
#ifdef BENCH_JOB_SPLIT
        std::cerr << "usage: " << argv[0] << " cut|convert|join|probe|open|split ARGS...\n";
#else
        std::cerr << "usage: " << argv[0]
                  << " cut|convert|join|probe|open ARGS... (split: bench_split_job)\n";
#endif
    return ok ? 0 : 1;
}
