// Where an index comes from: the process's own, one being read (waited for), the user's cache
// folder, or a reading of the file; and whether an opening that only shows a large file waits
// for it.
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
    std::set<std::string> behind; // files whose reading behind an opening is to start
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

void hold(const std::string& key, const std::shared_ptr<const SourceIndex>& index) {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    if (h.indexes.size() >= 32)
        h.indexes.clear();
    h.indexes[key] = index;
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
}

std::string SourceIndex::heldKey(const AVFormatContext* format, int videoStream) {
    Source source;
    return describe(format, videoStream, &source) ? source.key : std::string();
}

bool SourceIndex::isHeld(const std::string& key) {
    return !key.empty() && heldIndex(key) != nullptr;
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
    constexpr int kMostReordered = 16; // H.264's and HEVC's limit
    source->reorderDepth = std::clamp(s->codecpar->video_delay, 0, kMostReordered);
    return true;
}

std::shared_ptr<const SourceIndex> SourceIndex::kept(const Source& source) {
    if (source.size < kLargeBytes)
        return nullptr;
    std::string bytes;
    auto kept = std::make_shared<SourceIndex>();
    if (readWhole(keptPath(keptFolder(), source.key), &bytes) && kept->restore(source.key, bytes))
        return kept;
    return nullptr;
}

std::shared_ptr<const SourceIndex> SourceIndex::fresh(const Source& source, const std::atomic<bool>* stop,
                                                      const Progress& progress) {
    if (auto index = kept(source))
        return index;
    auto index = std::make_shared<SourceIndex>();
    index->timeBase_ = source.timeBase;
    index->frameRate_ = source.rate;
    index->untimedStart_ = source.untimedStart;
    index->reorderDepth_ = source.reorderDepth;
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

// A large transport stream, whose stored times ffmpeg reads as well as any reader would; a
// program stream's reading by them misplaces the pictures its packs leave untimed.
bool SourceIndex::shownByStoredTimes(const Source& source) {
    return source.size >= kLargeBytes && std::strcmp(source.format->name, "mpegts") == 0;
}

bool SourceIndex::needed(const AVFormatContext* format, int videoStream, Need need) {
    Source source;
    if (!describe(format, videoStream, &source))
        return false;
    if (need == Need::Now || !shownByStoredTimes(source) || heldIndex(source.key))
        return true;
    struct stat st {};
    const std::string folder = keptFolder();
    return !folder.empty() && ::stat(keptPath(folder, source.key).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::shared_ptr<const SourceIndex> SourceIndex::ofWhereNeeded(const AVFormatContext* format, int videoStream,
                                                              const std::atomic<bool>* stop,
                                                              const Progress& progress, bool* byStoredTimes) {
    *byStoredTimes = false;
    Source source;
    if (!describe(format, videoStream, &source))
        return nullptr;
    // A small file's index takes milliseconds; one held or kept is the line every opening shows.
    if (!shownByStoredTimes(source))
        return make(source, stop, progress);
    if (auto index = heldIndex(source.key))
        return index;
    if (auto index = kept(source)) {
        hold(source.key, index);
        return index;
    }
    // Shown by its stored times until its index is read behind the opening: a later opening
    // shows the index's line, and a job places the ranges set on the stored one by their
    // pictures (mapShown).
    *byStoredTimes = true;
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
