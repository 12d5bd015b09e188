#include "LargePageFrames.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "FfPointers.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace mediacore {
namespace {

constexpr size_t kLargePage = size_t(2) << 20;
// Address space taken at a time; only the pages written become memory.
constexpr size_t kBlock = size_t(64) << 20;
// FFmpeg's own: the widest SIMD alignment its decoders assume, and the padding after a plane.
constexpr size_t kAlign = 64;
constexpr size_t kPlanePadding = 16 + kAlign - 1;

size_t roundUp(size_t n, size_t to) {
    return (n + to - 1) / to * to;
}

// The blocks, handed out from the front and never given back one by one: the pools keep every
// buffer they made until they end, and then the whole state goes.
class Blocks {
public:
    Blocks() = default;
    Blocks(const Blocks&) = delete;
    Blocks& operator=(const Blocks&) = delete;
    ~Blocks() {
        for (const auto& [base, length] : blocks_)
            munmap(base, length);
    }

    uint8_t* take(size_t size) {
        size = roundUp(size, kAlign);
        const std::lock_guard<std::mutex> lock(mutex_);
        if (blocks_.empty() || used_ + size > blocks_.back().second) {
            const size_t length = std::max(kBlock, roundUp(size, kLargePage));
            uint8_t* base = map(length);
            if (!base)
                return nullptr;
            blocks_.emplace_back(base, length);
            used_ = 0;
        }
        uint8_t* p = blocks_.back().first + used_;
        used_ += size;
        return p;
    }

private:
    // `length` bytes starting on a large page's boundary, which the kernel can only back with
    // large pages there.
    static uint8_t* map(size_t length) {
        void* p =
            mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return nullptr;
        auto* raw = static_cast<uint8_t*>(p);
        const size_t head = (kLargePage - reinterpret_cast<uintptr_t>(p) % kLargePage) % kLargePage;
        uint8_t* base = raw + head;
        if (head > 0)
            munmap(raw, head);
        munmap(base + length, kLargePage - head);
        madvise(base, length, MADV_HUGEPAGE);
        return base;
    }

    std::mutex mutex_;
    std::vector<std::pair<uint8_t*, size_t>> blocks_;
    size_t used_ = 0;
};

class Frames final : public ff::CodecOwned {
public:
    // Buffers for `f` (the decoder's picture format at the size it asks for).
    int get(AVCodecContext* c, AVFrame* f) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (f->width != width_ || f->height != height_ || f->format != format_) {
            const int r = layOut(c, f);
            if (r < 0)
                return r;
        }
        for (int i = 0; i < 4 && pools_[size_t(i)]; ++i) {
            f->buf[i] = av_buffer_pool_get(pools_[size_t(i)]);
            if (!f->buf[i])
                return AVERROR(ENOMEM);
            f->data[i] = f->buf[i]->data;
            f->linesize[i] = lines_[size_t(i)];
        }
        f->extended_data = f->data;
        return 0;
    }

    void contextFreed() override {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            endPools();
        }
        release();
    }

private:
    ~Frames() = default;

    static AVBufferRef* allocate(void* opaque, size_t size) {
        auto* self = static_cast<Frames*>(opaque);
        uint8_t* p = self->blocks_.take(size);
        // Out of address space for a block: an ordinary buffer still decodes the picture.
        if (!p)
            return av_buffer_alloc(size);
        return av_buffer_create(
            p, size, [](void*, uint8_t*) {}, nullptr, 0);
    }
    static void poolEnded(void* opaque) { static_cast<Frames*>(opaque)->release(); }

    void release() {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    void endPools() {
        for (AVBufferPool*& pool : pools_)
            if (pool)
                av_buffer_pool_uninit(&pool);
        width_ = height_ = 0;
        format_ = AV_PIX_FMT_NONE;
    }

    // The planes' strides and sizes as FFmpeg's default buffers have them: the coded size
    // rounded up for the codec, each stride a multiple of what the codec's SIMD needs.
    int layOut(AVCodecContext* c, const AVFrame* f) {
        endPools();
        int w = f->width, h = f->height;
        int strideAlign[AV_NUM_DATA_POINTERS] = {};
        avcodec_align_dimensions2(c, &w, &h, strideAlign);
        std::array<int, 4> lines{};
        bool unaligned = true;
        while (unaligned) {
            const int r = av_image_fill_linesizes(lines.data(), c->pix_fmt, w);
            if (r < 0)
                return r;
            // Widen by the lowest bit set until every stride is aligned.
            w += w & ~(w - 1);
            unaligned = false;
            for (size_t i = 0; i < 4; ++i)
                unaligned = unaligned || (strideAlign[i] > 0 && lines[i] % strideAlign[i] != 0);
        }
        std::array<ptrdiff_t, 4> strides{};
        for (size_t i = 0; i < 4; ++i)
            strides[i] = lines[i];
        std::array<size_t, 4> sizes{};
        const int r = av_image_fill_plane_sizes(sizes.data(), c->pix_fmt, h, strides.data());
        if (r < 0)
            return r;
        for (size_t i = 0; i < 4 && sizes[i] > 0; ++i) {
            pools_[i] = av_buffer_pool_init2(sizes[i] + kPlanePadding, this, allocate, poolEnded);
            if (!pools_[i]) {
                endPools();
                return AVERROR(ENOMEM);
            }
            refs_.fetch_add(1, std::memory_order_relaxed);
        }
        lines_ = lines;
        width_ = f->width;
        height_ = f->height;
        format_ = f->format;
        return 0;
    }

    std::mutex mutex_;
    Blocks blocks_;
    std::array<AVBufferPool*, 4> pools_{};
    std::array<int, 4> lines_{};
    int width_ = 0, height_ = 0, format_ = AV_PIX_FMT_NONE;
    // One for the decoder, one for each pool not yet ended (a pool ends once its last buffer
    // is back): the buffers live in the blocks.
    std::atomic<int> refs_{1};
};

// Planar or packed formats whose planes FFmpeg lays out by their strides alone.
bool plainFormat(const AVCodecContext* c) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(c->pix_fmt);
    return d && !(d->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM));
}

int getBuffer(AVCodecContext* c, AVFrame* f, int flags) {
    if (f->format != c->pix_fmt || !plainFormat(c))
        return avcodec_default_get_buffer2(c, f, flags);
    return static_cast<Frames*>(static_cast<ff::CodecOwned*>(c->opaque))->get(c, f);
}

} // namespace

void useLargePageFrames(AVCodecContext* decoder) {
    if (decoder->codec_type != AVMEDIA_TYPE_VIDEO || !decoder->codec ||
        !(decoder->codec->capabilities & AV_CODEC_CAP_DR1) || decoder->opaque)
        return;
    decoder->opaque = static_cast<ff::CodecOwned*>(new Frames);
    decoder->get_buffer2 = getBuffer;
}

} // namespace mediacore
