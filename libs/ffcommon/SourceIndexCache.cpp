// Where an index comes from: the process's own, one being read (waited for), the user's cache
// folder, or a reading of the file; and whether an opening that only shows a large file needs
// it at all.
#include "SourceIndex.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sched.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace ff {

namespace {

// Smaller files are read whole at once (a few milliseconds) and not kept in the cache folder.
constexpr int64_t kLargeBytes = int64_t(16) << 20;
// What is read of a large file's start (and half of it in the middle) to tell whether its stored
// times suffice; the bytes searched for a keyframe, and at most.
constexpr int64_t kHeadBytes = int64_t(1) << 20;
constexpr int64_t kScanBytes = int64_t(2) << 20;
constexpr int64_t kTailBytes = int64_t(8) << 20;
// The reading behind an opening starts this long after it.
constexpr std::chrono::milliseconds kBehindAfter{1000};
// Kept indexes: at most this many files, none larger than this.
constexpr size_t kKeptFiles = 64;
constexpr int64_t kKeptFileBytes = int64_t(64) << 20;
constexpr char kMagic[8] = {'C', 'B', 'I', 'N', 'D', 'E', 'X', '\n'};
// The kept format's version: one more with every change of what a field of a record means. The
// records' layout is kept beside it, so that a change of a record read by a build before it (or
// after) is read as absent, never as other fields.
constexpr uint32_t kFormatVersion = 3;

std::atomic<bool> gStopped{false};

// A reading under way, which other openings of the same file wait for.
struct Reading {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::shared_ptr<const SourceIndex> result;
    std::atomic<int64_t> read{0}, total{0};
    std::atomic<bool> waited{false}; // by another opening
};

// The indexes this process holds and the readings under way. Never destroyed: a reading behind
// an opening may still run while the process ends.
struct Held {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<const SourceIndex>> indexes;
    std::map<std::string, std::shared_ptr<Reading>> readings;
    std::map<std::string, bool> suffice; // whether a file's stored times suffice, once told
    std::set<std::string> behind;        // files whose reading behind an opening is to start
    // Files whose index this process took from the cache folder: every opening of them is on
    // the index's line (none was ever shown on its stored times).
    std::set<std::string> fromKept;
};
Held& held() {
    static Held* h = new Held;
    return *h;
}

std::shared_ptr<const SourceIndex> heldIndex(const std::string& key) {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    const auto found = h.indexes.find(key);
    return found == h.indexes.end() ? nullptr : found->second;
}

void hold(const std::string& key, const std::shared_ptr<const SourceIndex>& index, bool fromKept = false) {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    if (h.indexes.size() >= 32) {
        h.indexes.clear();
        h.fromKept.clear();
    }
    h.indexes[key] = index;
    if (fromKept)
        h.fromKept.insert(key);
}

bool heldFromKept(const std::string& key) {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    return h.fromKept.count(key) != 0 && h.indexes.count(key) != 0;
}

uint64_t fnv(const char* data, size_t size) {
    uint64_t h = 14695981039346656037ULL;
    for (size_t i = 0; i < size; ++i)
        h = (h ^ uint8_t(data[i])) * 1099511628211ULL;
    return h;
}

// The user's cache folder for indexes ($XDG_CACHE_HOME, else ~/.cache), made when missing;
// empty when there is none.
std::string keptFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME"); // NOLINT(concurrency-mt-unsafe): read only
    std::string base;
    if (xdg && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/') // NOLINT(concurrency-mt-unsafe)
        base = std::string(home) + "/.cache";
    else
        return {};
    ::mkdir(base.c_str(), 0700);
    for (const char* part : {"/Cutbench", "/index"}) {
        base += part;
        if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST)
            return {};
    }
    return base;
}

std::string keptPath(const std::string& folder, const std::string& key) {
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.index",
                  static_cast<unsigned long long>(fnv(key.data(), key.size())));
    return folder + '/' + name;
}

// Opens a file of the cache folder for reading or writing, where it is a regular file. Anything
// else at that name (a pipe, a device, a folder, a link to one) is passed by: opened without
// waiting for a writer or a reader, and closed again unread. -1 where there is none.
int openRegular(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd < 0)
        return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool readWhole(const std::string& path, std::string* bytes) {
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size <= kKeptFileBytes;
    if (ok) {
        bytes->resize(size_t(st.st_size));
        size_t at = 0;
        while (at < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + at, bytes->size() - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            at += size_t(n);
        }
        ok = at == bytes->size();
    }
    ::close(fd);
    return ok;
}

bool writeWhole(const std::string& path, const std::string& bytes) {
    const int fd = openRegular(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        at += size_t(n);
    }
    return ::close(fd) == 0 && at == bytes.size();
}

// Only the newest kept indexes stay: the folder holds no files but the ones written here.
void pruneKept(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::pair<int64_t, std::string>> kept;
    while (const dirent* e = ::readdir(dir)) { // NOLINT(concurrency-mt-unsafe): a stream of its own
        const std::string name = e->d_name;
        struct stat st {};
        std::string path = folder;
        path += '/';
        path += name;
        if (name.size() == 22 && name.compare(16, 6, ".index") == 0 && ::stat(path.c_str(), &st) == 0)
            kept.emplace_back(int64_t(st.st_mtim.tv_sec), std::move(path));
    }
    ::closedir(dir);
    if (kept.size() <= kKeptFiles)
        return;
    std::sort(kept.begin(), kept.end());
    for (size_t i = 0; i + kKeptFiles < kept.size(); ++i)
        ::unlink(kept[i].second.c_str());
}

void keep(const std::string& key, const std::string& bytes) {
    const std::string folder = keptFolder();
    if (folder.empty())
        return;
    const std::string path = keptPath(folder, key);
    const std::string part = path + '.' + std::to_string(::getpid()) + ".part";
    struct stat st {};
    if (::lstat(part.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return; // not this program's
    if (!writeWhole(part, bytes) || std::rename(part.c_str(), path.c_str()) != 0)
        ::unlink(part.c_str());
    pruneKept(folder);
}

// Reads bytes in order, refusing to read past their end.
struct Bytes {
    const std::string& data;
    size_t at = 0;
    template <class T> bool get(T* value) {
        if (data.size() - at < sizeof(T))
            return false;
        std::memcpy(static_cast<void*>(value), data.data() + at, sizeof(T));
        at += sizeof(T);
        return true;
    }
    template <class T> bool get(std::vector<T>* values, uint64_t count) {
        if (count > (data.size() - at) / sizeof(T))
            return false;
        values->resize(size_t(count));
        std::memcpy(static_cast<void*>(values->data()), data.data() + at, size_t(count) * sizeof(T));
        at += size_t(count) * sizeof(T);
        return true;
    }
};

template <class T> void put(std::string* out, const T& value) {
    out->append(reinterpret_cast<const char*>(&value), sizeof(T));
}

// The kept format's version and its records' layout: each field's place and the records' sizes.
template <class Picture, class Segment> uint64_t formatTag() {
    const size_t layout[] = {kFormatVersion,
                             sizeof(Picture),
                             offsetof(Picture, pos),
                             offsetof(Picture, stored),
                             offsetof(Picture, pts),
                             offsetof(Picture, dts),
                             offsetof(Picture, duration),
                             offsetof(Picture, size),
                             offsetof(Picture, shown),
                             offsetof(Picture, dup),
                             offsetof(Picture, flags),
                             sizeof(Segment),
                             offsetof(Segment, pos),
                             offsetof(Segment, first),
                             offsetof(Segment, last),
                             offsetof(Segment, offset)};
    return fnv(reinterpret_cast<const char*>(layout), sizeof layout);
}

// The samples a sound stream's first packet decodes to before its first sound is heard (its
// encoder's priming and its decoder's delay), where the container cannot say it: as the common
// encoders' own timed streams place the pictures against that packet.
int64_t soundLeadSamples(const AVCodecParameters* p) {
    if (p->initial_padding > 0 && p->initial_padding < (1 << 16))
        return p->initial_padding;
    switch (p->codec_id) {
    case AV_CODEC_ID_AAC:
        return 1024;
    case AV_CODEC_ID_MP2: // Layer II's filter bank: 512 - 32 + 1
        return 481;
    case AV_CODEC_ID_MP3: // the common encoder's 576, and the decoder's 528 + 1
        return 1105;
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_EAC3:
        return 256;
    default:
        return 0;
    }
}

// Where the pictures of a stream that times none of them begin, in `timeBase`: where its
// earliest sound is first heard, else where the file starts.
int64_t untimedPicturesStart(const AVFormatContext* format, AVRational timeBase) {
    int64_t at =
        format->start_time == AV_NOPTS_VALUE ? 0 : av_rescale_q(format->start_time, AV_TIME_BASE_Q, timeBase);
    const AVStream* first = nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* s = format->streams[i];
        if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && s->start_time != AV_NOPTS_VALUE &&
            s->time_base.num > 0 && s->time_base.den > 0 &&
            (!first || av_compare_ts(s->start_time, s->time_base, first->start_time, first->time_base) < 0))
            first = s;
    }
    if (!first)
        return at;
    at = av_rescale_q(first->start_time, first->time_base, timeBase);
    if (const int rate = first->codecpar->sample_rate; rate > 0 && rate <= 768000)
        at += av_rescale_q(soundLeadSamples(first->codecpar), AVRational{1, rate}, timeBase);
    return at;
}

thread_local bool tYielding = false;
constexpr int kIoprioWhoThread = 1, kIoprioClassShift = 13, kIoprioBestEffort = 2, kIoprioIdle = 3;

// Puts the calling thread behind every other for the processors (SCHED_IDLE) and the disk
// (the idle I/O class); where the system refuses, at the lowest nice value.
void yieldToEveryThread() {
    sched_param param{};
    if (::sched_setscheduler(0, SCHED_IDLE, &param) != 0)
        ::setpriority(PRIO_PROCESS, 0, 19); // 0: the calling thread, on Linux
    ::syscall(SYS_ioprio_set, kIoprioWhoThread, 0, kIoprioIdle << kIoprioClassShift);
    tYielding = true;
}

// A reading someone waits for (a job) takes its place among the others again.
void stopYielding() {
    if (!tYielding)
        return;
    tYielding = false;
    sched_param param{};
    ::sched_setscheduler(0, SCHED_OTHER, &param);
    ::setpriority(PRIO_PROCESS, 0, 0);
    ::syscall(SYS_ioprio_set, kIoprioWhoThread, 0, kIoprioBestEffort << kIoprioClassShift | 4);
}

} // namespace

bool SourceIndex::readingStopped() {
    return gStopped.load();
}

void SourceIndex::stopReading(bool stop) {
    gStopped = stop;
}

void SourceIndex::dropHeld() {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    h.indexes.clear();
    h.fromKept.clear();
}

bool SourceIndex::describe(const AVFormatContext* format, int videoStream, Source* source) {
    if (!format || !format->iformat || !format->url || !av_match_name(format->iformat->name, "mpeg,mpegts") ||
        videoStream < 0 || unsigned(videoStream) >= format->nb_streams)
        return false;
    struct stat st {};
    if (::stat(format->url, &st) != 0)
        return false;
    const AVStream* s = format->streams[videoStream];
    source->path = format->url;
    source->format = format->iformat;
    source->streamId = s->id;
    source->codec = s->codecpar->codec_id;
    source->streamIndex = videoStream;
    source->size = int64_t(st.st_size);
    source->key = source->path + '\n' + std::to_string(st.st_size) + '\n' +
                  std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec) + '\n' +
                  std::to_string(s->id);
    source->timeBase = s->time_base;
    // What the input's own reading found: the pictures' rate (for a stream that times too few of
    // them to tell) and where pictures that carry no time begin.
    AVRational rate =
        s->avg_frame_rate.num > 0 && s->avg_frame_rate.den > 0 ? s->avg_frame_rate : s->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = {25, 1};
    source->rate = rate;
    source->untimedStart = untimedPicturesStart(format, s->time_base);
    return true;
}

std::shared_ptr<const SourceIndex> SourceIndex::kept(const Source& source) {
    if (source.size < kLargeBytes)
        return nullptr;
    const std::string folder = keptFolder();
    std::string bytes;
    auto kept = std::make_shared<SourceIndex>();
    if (folder.empty() || !readWhole(keptPath(folder, source.key), &bytes) ||
        !kept->restore(source.key, bytes))
        return nullptr;
    return kept;
}

// Before anything of the file is read: a kept index costs a read of a few megabytes at most,
// where telling whether the file's stored times suffice reads tens of them.
std::shared_ptr<const SourceIndex> SourceIndex::keptFirst(const Source& source) {
    {
        Held& h = held();
        std::lock_guard lock(h.mutex);
        const auto found = h.indexes.find(source.key);
        if (found != h.indexes.end() || h.readings.count(source.key))
            return found != h.indexes.end() && h.fromKept.count(source.key) ? found->second : nullptr;
    }
    auto index = kept(source);
    if (index)
        hold(source.key, index, true);
    return index;
}

std::shared_ptr<const SourceIndex> SourceIndex::fresh(const Source& source, const std::atomic<bool>* stop,
                                                      const Progress& progress) {
    if (auto index = kept(source)) {
        std::lock_guard lock(held().mutex);
        held().fromKept.insert(source.key);
        return index;
    }
    auto index = std::make_shared<SourceIndex>();
    index->timeBase_ = source.timeBase;
    index->frameRate_ = source.rate;
    index->untimedStart_ = source.untimedStart;
    if (!index->build(source, stop, progress))
        return nullptr;
    if (source.size >= kLargeBytes)
        keep(source.key, index->save(source.key));
    return index;
}

std::shared_ptr<const SourceIndex> SourceIndex::make(const Source& source, const std::atomic<bool>* stop,
                                                     const Progress& progress) {
    Held& h = held();
    while (!readingStopped() && !(stop && stop->load())) {
        std::shared_ptr<Reading> reading;
        bool mine = false;
        {
            std::lock_guard lock(h.mutex);
            if (const auto found = h.indexes.find(source.key); found != h.indexes.end())
                return found->second;
            auto& r = h.readings[source.key];
            mine = !r;
            if (mine)
                r = std::make_shared<Reading>();
            reading = r;
        }
        if (mine) {
            auto index = fresh(source, stop, [&](int64_t read, int64_t total) {
                if (reading->waited)
                    stopYielding();
                reading->read = read, reading->total = total;
                if (progress)
                    progress(read, total);
            });
            {
                std::lock_guard lock(h.mutex);
                h.readings.erase(source.key);
            }
            if (index)
                hold(source.key, index);
            {
                std::lock_guard lock(reading->mutex);
                reading->done = true, reading->result = index;
            }
            reading->ended.notify_all();
            return index;
        }
        // Another opening reads it: its progress is this one's too. Where it was stopped (its
        // own job's stop), this one reads the file itself.
        reading->waited = true;
        std::unique_lock lock(reading->mutex);
        while (!reading->done && !readingStopped() && !(stop && stop->load())) {
            reading->ended.wait_for(lock, std::chrono::milliseconds(50));
            if (progress && reading->total > 0) {
                lock.unlock();
                progress(reading->read, reading->total);
                lock.lock();
            }
        }
        if (reading->result)
            return reading->result;
    }
    return nullptr;
}

bool SourceIndex::needed(const AVFormatContext* format, int videoStream, Need need) {
    Source source;
    return describe(format, videoStream, &source) &&
           (need == Need::Now || source.size < kLargeBytes || heldFromKept(source.key) ||
            !storedTimesSuffice(source));
}

// Told once per unchanged file in a process: a probe, its snapshot and the player open it in turn.
bool SourceIndex::storedTimesSuffice(const Source& source) {
    Held& h = held();
    {
        std::lock_guard lock(h.mutex);
        if (const auto found = h.suffice.find(source.key); found != h.suffice.end())
            return found->second;
    }
    const bool suffice = storedTimesSufficeRead(source);
    std::lock_guard lock(h.mutex);
    if (h.suffice.size() >= 64)
        h.suffice.clear();
    h.suffice[source.key] = suffice;
    return suffice;
}

std::shared_ptr<const SourceIndex> SourceIndex::ofWhereNeeded(const AVFormatContext* format, int videoStream,
                                                              const std::atomic<bool>* stop,
                                                              const Progress& progress) {
    Source source;
    if (!describe(format, videoStream, &source))
        return nullptr;
    if (auto index = keptFirst(source))
        return index;
    if (source.size < kLargeBytes || !storedTimesSuffice(source))
        return make(source, stop, progress);
    // Shown by its stored times also once its index is held: the ranges set in one window are on
    // the line every other opening that shows the file gave, which a job then places on the
    // index's (lineUsOfShown).
    if (heldIndex(source.key))
        return nullptr;
    {
        // Read behind the opening, for what will need it (a job); once per file.
        Held& h = held();
        std::lock_guard lock(h.mutex);
        if (h.readings.count(source.key) || !h.behind.insert(source.key).second)
            return nullptr;
    }
    std::thread([source] {
        // Once what the user waits for (the first picture, decoded on the same processors) is
        // up; a job that comes first reads it itself, and this one then finds it. It runs only
        // where nothing else would: the player beside it must never wait for a processor or the
        // disk.
        yieldToEveryThread();
        for (auto waited = std::chrono::milliseconds(0); waited < kBehindAfter && !readingStopped();
             waited += std::chrono::milliseconds(50))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        {
            Held& h = held();
            std::lock_guard lock(h.mutex);
            h.behind.erase(source.key);
        }
        make(source, nullptr, {});
    }).detach();
    return nullptr;
}

// ---- Whether stored times suffice ---------------------------------------------------------

namespace {

// The place of the first transport packet in `length` bytes from `from` that starts a random
// access point (a keyframe, as muxers mark it) of the picture stream with packet id `pid`; -1
// where none does. A reading that starts there needs nothing before it (one from elsewhere
// starts with pieces of pictures that name headers it never saw).
int64_t keyframeFrom(const std::string& path, int pid, int64_t from, int64_t length) {
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(0, length)));
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    const bool placed = ::fseeko(f, off_t(from), SEEK_SET) == 0;
    const size_t n = placed ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
    std::fclose(f);
    for (const size_t stride : {size_t(188), size_t(192)}) {
        const size_t lead = stride - 188; // a time code before each packet (M2TS)
        size_t at = 0;
        while (at < 2 * stride && at + 5 * stride <= n &&
               !(bytes[at + lead] == 0x47 && bytes[at + stride + lead] == 0x47 &&
                 bytes[at + 2 * stride + lead] == 0x47 && bytes[at + 4 * stride + lead] == 0x47))
            ++at;
        if (at >= 2 * stride || at + 5 * stride > n)
            continue;
        for (size_t q = at; q + stride <= n && bytes[q + lead] == 0x47; q += stride) {
            const uint8_t* h = &bytes[q + lead];
            if (((h[1] & 0x1f) << 8 | h[2]) == pid && (h[1] & 0x40) && (h[3] & 0x20) && h[4] > 0 &&
                (h[5] & 0x40))
                return from + int64_t(q);
        }
        return -1;
    }
    return -1;
}

} // namespace

bool SourceIndex::sample(AVFormatContext* input, int streamId, int64_t untilPos) {
    if (!read(input, streamId, nullptr, {}, untilPos) || byShown_.size() < 2 || repeats_ > 0)
        return false;
    // A picture no decoder shows from there (a recording begun mid-stream, or one leading an open
    // group) is on no line: the file's stored times would start it before its first picture.
    return std::all_of(pictures_.begin(), pictures_.end(), [](const Picture& p) {
        return p.stored != AV_NOPTS_VALUE && p.pts == p.stored && !(p.flags & (SecondField | Undecodable));
    });
}

// Reads a stretch of a transport stream from its first keyframe at or after byte `from` to
// `more` bytes past it (with a negative `more`: from a keyframe near the end to the end); false
// where none is found or the stretch's stored times do not suffice.
bool SourceIndex::sampleFrom(AVFormatContext* input, const Source& source, int64_t from, int64_t more) {
    if (std::strcmp(source.format->name, "mpegts") != 0)
        return false;
    int64_t key = -1;
    // The end's stretch starts further back where its last bytes hold no keyframe.
    for (const int64_t length : {kScanBytes, kTailBytes})
        if (key < 0)
            key = keyframeFrom(source.path, source.streamId,
                               more < 0 ? std::max<int64_t>(0, source.size - length) : from, length);
    timeBase_ = source.timeBase;
    frameRate_ = source.rate;
    return key >= 0 && av_seek_frame(input, -1, key, AVSEEK_FLAG_BYTE) >= 0 &&
           sample(input, source.streamId, more < 0 ? source.size : key + more);
}

bool SourceIndex::storedTimesSufficeRead(const Source& source) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, source.path.c_str(), source.format, nullptr) < 0)
        return false;
    const InputPtr input(raw);
    input->flags |= AVFMT_FLAG_NOFILLIN;
    // Stretches read with the index's own reading of headers: the start, four in the middle and
    // the end. A picture without a time, one whose headers order it otherwise than its stored
    // time, a field shown twice or coded apart, or a stretch whose times are not past the one's
    // before (a second recording) asks for the index.
    std::vector<SourceIndex> stretches(6);
    stretches[0].timeBase_ = source.timeBase;
    stretches[0].frameRate_ = source.rate;
    if (!stretches[0].sample(input.get(), source.streamId, kHeadBytes))
        return false;
    for (size_t k = 1; k < stretches.size(); ++k) {
        const bool last = k + 1 == stretches.size();
        const int64_t from = last ? source.size - kScanBytes : source.size * int64_t(k) / 5;
        if (!stretches[k].sampleFrom(input.get(), source, std::max<int64_t>(0, from),
                                     last ? -1 : kHeadBytes / 2))
            return false;
        const SourceIndex &before = stretches[k - 1], &now = stretches[k];
        if (now.pictures_[size_t(now.byShown_.front())].stored <=
            before.pictures_[size_t(before.byShown_.back())].stored)
            return false;
    }
    const SourceIndex &head = stretches.front(), &tail = stretches.back();
    const int64_t firstTime = head.pictures_[size_t(head.byShown_.front())].stored;
    const int64_t headTime = head.pictures_[size_t(head.byShown_.back())].stored - firstTime;
    const int64_t wholeTime = tail.pictures_[size_t(tail.byShown_.back())].stored - firstTime;
    if (headTime <= 0 || wholeTime <= headTime)
        return false;
    // As many bytes a second over the whole file as in its start, give or take half: a jump, a
    // late stretch or a second recording would make the line longer or shorter.
    const double headRate = double(head.pictures_.back().pos - head.pictures_.front().pos) / double(headTime);
    const double wholeRate = double(source.size) / double(wholeTime);
    return wholeRate > headRate / 2 && wholeRate < headRate * 2;
}

// ---- Kept in the cache folder -------------------------------------------------------------

std::string SourceIndex::save(const std::string& key) const {
    std::string body;
    put(&body, formatTag<Picture, Segment>());
    put(&body, uint32_t(key.size()));
    body += key;
    for (const int32_t v : {timeBase_.num, timeBase_.den, frameRate_.num, frameRate_.den, headerRate_.num,
                            headerRate_.den, int32_t(stream_)})
        put(&body, v);
    for (const int64_t v : {untimedStart_, repeats_, start_, end_, step_})
        put(&body, v);
    for (const uint64_t n :
         {uint64_t(pictures_.size()), uint64_t(byShown_.size()), uint64_t(segments_.size())})
        put(&body, n);
    body.append(reinterpret_cast<const char*>(pictures_.data()), pictures_.size() * sizeof(Picture));
    body.append(reinterpret_cast<const char*>(byShown_.data()), byShown_.size() * sizeof(int32_t));
    body.append(reinterpret_cast<const char*>(segments_.data()), segments_.size() * sizeof(Segment));
    std::string out(kMagic, sizeof kMagic);
    put(&out, fnv(body.data(), body.size()));
    return out + body;
}

bool SourceIndex::restore(const std::string& key, const std::string& bytes) {
    uint64_t sum = 0;
    if (bytes.size() < sizeof kMagic + sizeof sum || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return false;
    std::memcpy(&sum, bytes.data() + sizeof kMagic, sizeof sum);
    const size_t bodyAt = sizeof kMagic + sizeof sum;
    if (sum != fnv(bytes.data() + bodyAt, bytes.size() - bodyAt))
        return false;
    Bytes in{bytes, bodyAt};
    uint64_t tag = 0;
    uint32_t keySize = 0;
    if (!in.get(&tag) || tag != formatTag<Picture, Segment>() || !in.get(&keySize) || keySize != key.size() ||
        bytes.compare(in.at, keySize, key) != 0)
        return false;
    in.at += keySize;
    int32_t stream = -1;
    uint64_t pictures = 0, shown = 0, segments = 0;
    const bool read = in.get(&timeBase_.num) && in.get(&timeBase_.den) && in.get(&frameRate_.num) &&
                      in.get(&frameRate_.den) && in.get(&headerRate_.num) && in.get(&headerRate_.den) &&
                      in.get(&stream) && in.get(&untimedStart_) && in.get(&repeats_) && in.get(&start_) &&
                      in.get(&end_) && in.get(&step_) && in.get(&pictures) && in.get(&shown) &&
                      in.get(&segments) && in.get(&pictures_, pictures) && in.get(&byShown_, shown) &&
                      in.get(&segments_, segments) && in.at == bytes.size();
    stream_ = stream;
    return read && consistent();
}

// A kept index is read as hostile bytes: every number a reader of it uses within its range.
bool SourceIndex::consistent() const {
    constexpr int64_t kFar = int64_t(1) << 60;
    const auto n = int64_t(pictures_.size());
    if (timeBase_.num <= 0 || timeBase_.den <= 0 || frameRate_.num <= 0 || frameRate_.den <= 0 ||
        headerRate_.num < 0 || headerRate_.den <= 0 || stream_ < 0 || n < 1 || byShown_.empty() ||
        segments_.empty() || repeats_ < 0 || repeats_ > n || step_ < 1 || step_ > kFar || start_ < -kFar ||
        start_ > end_ || end_ > kFar || untimedStart_ < -kFar || untimedStart_ > kFar)
        return false;
    std::vector<bool> seen(pictures_.size(), false);
    for (size_t r = 0; r < byShown_.size(); ++r) {
        const int32_t i = byShown_[r];
        if (i < 0 || i >= n || seen[size_t(i)] || pictures_[size_t(i)].shown != int32_t(r) ||
            (pictures_[size_t(i)].flags & SecondField) ||
            (r > 0 && pictures_[size_t(i)].pts < pictures_[size_t(byShown_[r - 1])].pts))
            seen.clear();
        if (seen.empty())
            return false;
        seen[size_t(i)] = true;
    }
    for (size_t i = 0; i < pictures_.size(); ++i) {
        const Picture& p = pictures_[i];
        if (p.pos < -1 || (i > 0 && p.pos < pictures_[i - 1].pos) || p.size < 0 || p.duration < 0 ||
            p.shown < 0 || size_t(p.shown) >= byShown_.size() || p.pts < -kFar || p.pts > kFar ||
            p.dts < -kFar || p.dts > kFar || ((p.flags & SecondField) && i == 0) ||
            (!(p.flags & SecondField) && !seen[i]))
            return false;
    }
    for (size_t k = 1; k < segments_.size(); ++k)
        if (segments_[k].pos < segments_[k - 1].pos)
            return false;
    // A run's stored times are within reach, or the marks of a run that stores none.
    const auto near = [&](int64_t t, int64_t none) { return t == none || (t > -kFar && t < kFar); };
    return std::all_of(segments_.begin(), segments_.end(), [&](const Segment& s) {
        return s.offset > -kFar && s.offset < kFar && near(s.first, INT64_MAX) && near(s.last, INT64_MIN);
    });
}

} // namespace ff
