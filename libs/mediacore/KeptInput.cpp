#include "KeptInput.h"

#include "StreamProbe.h"

#include <deque>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace mediacore {

namespace {

constexpr size_t kMaxKept = 2;
// A job that opens more files than this (a join of many clips) opens each again as before.
constexpr size_t kMaxPooled = 8;

struct Kept {
    std::string key;
    InputPtr input;
};

std::mutex gMutex;
std::deque<Kept> gKept; // the newest last

// The file's path, size and modification time; empty when it cannot be read.
std::string fileKey(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {};
    return path + '\n' + std::to_string(st.st_size) + '\n' + std::to_string(st.st_mtim.tv_sec) + '.' +
           std::to_string(st.st_mtim.tv_nsec);
}

} // namespace

bool keepable(const AVFormatContext* f) {
    if (!f || !f->iformat || !f->pb || f->pb->error != 0 || (f->ctx_flags & AVFMTCTX_NOHEADER))
        return false;
    const std::string name = f->iformat->name;
    return name.rfind("mov,", 0) == 0 || name.rfind("matroska", 0) == 0;
}

namespace {

bool seekToStart(AVFormatContext* f, int stream) {
    return avformat_seek_file(f, stream, INT64_MIN, INT64_MIN, INT64_MIN, AVSEEK_FLAG_BACKWARD) >= 0;
}

// File position of the next packet (-1 when unknown or none); the input reads on after it.
int64_t nextPacketPos(AVFormatContext* f) {
    PacketPtr p = makePacket();
    return av_read_frame(f, p.get()) >= 0 ? p->pos : -1;
}

} // namespace

// Back at the start with every stream read, as a fresh opening leaves it. A demuxer that seeks
// by the picture's index (Matroska's cues) lands on the first picture, after the sound a file
// stores ahead of it: a seek by the sound's own positions reaches that sound, and the earlier of
// the two landings is the start.
bool rewindInput(AVFormatContext* f) {
    for (unsigned i = 0; i < f->nb_streams; ++i)
        f->streams[i]->discard = AVDISCARD_DEFAULT;
    if (!seekToStart(f, -1))
        return false;
    const int sound = firstAudioStream(f);
    if (sound >= 0 && sound != av_find_default_stream_index(f)) {
        const int64_t byPicture = nextPacketPos(f);
        const int64_t bySound = seekToStart(f, sound) ? nextPacketPos(f) : -1;
        const bool soundFirst = bySound >= 0 && byPicture >= 0 && bySound < byPicture;
        if (!seekToStart(f, soundFirst ? sound : -1))
            return false;
    }
    return f->pb->error == 0;
}

void keepOpen(const std::string& path, InputPtr input) {
    if (!keepable(input.get()))
        return;
    std::string key = fileKey(path);
    if (key.empty())
        return;
    InputPtr dropped; // closed outside the lock
    std::lock_guard lock(gMutex);
    if (gKept.size() >= kMaxKept) {
        dropped = std::move(gKept.front().input);
        gKept.pop_front();
    }
    gKept.push_back({std::move(key), std::move(input)});
}

InputPtr takeKeptInput(const std::string& path) {
    const std::string key = fileKey(path);
    if (key.empty())
        return nullptr;
    InputPtr found;
    {
        std::lock_guard lock(gMutex);
        for (auto it = gKept.rbegin(); it != gKept.rend(); ++it) {
            if (it->key == key) {
                found = std::move(it->input);
                gKept.erase(std::next(it).base());
                break;
            }
        }
    }
    if (found && !rewindInput(found.get()))
        found.reset();
    return found;
}

int InputPool::open(const std::string& path, InputPtr* out, const std::atomic<bool>* stop,
                    const std::function<void(int64_t read, int64_t total)>& progress,
                    ff::SourceIndex::Need need) {
    const std::string key = fileKey(path);
    for (auto it = kept_.rbegin(); !key.empty() && it != kept_.rend(); ++it) {
        if (it->key != key)
            continue;
        InputPtr found = std::move(it->input);
        kept_.erase(std::next(it).base());
        if (rewindInput(found.get())) {
            *out = std::move(found);
            return 0;
        }
        break;
    }
    return openInput(path, out, stop, progress, need);
}

void InputPool::giveBack(const std::string& path, InputPtr input) {
    std::string key = fileKey(path);
    if (key.empty() || !keepable(input.get()))
        return;
    if (kept_.size() >= kMaxPooled)
        kept_.erase(kept_.begin());
    kept_.push_back({std::move(key), std::move(input)});
}

} // namespace mediacore
