#include "PlayerCore.h"

#include "AudioFilter.h"
#include "AudioOutput.h"
#include "AudioRing.h"
#include "FrameNotifier.h"
#include "FrameSlot.h"
#include "PlayerLog.h"
#include "PlayerView.h"

#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

using namespace std::chrono_literals;

namespace {

std::atomic<int> gLiveCount{0};

// Clockwise degrees that turn the stored picture upright, from the stream's display matrix.
int displayRotation(const AVStream* st) {
    const auto* matrix =
        reinterpret_cast<const int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix)
        return 0;
    const double ccw = av_display_rotation_get(matrix);
    if (!std::isfinite(ccw))
        return 0;
    const int cw = int(std::lround(-ccw));
    return ((cw % 360) + 360) % 360;
}

} // namespace

PlayerCore::PlayerCore(const QString& path, const QRect& frame)
    : slot_(std::make_shared<FrameSlot>()), notifier_(std::make_unique<FrameNotifier>()) {
    ++gLiveCount;
    view_ = new PlayerView(slot_);
    view_->setGeometry(frame);
    QObject::connect(notifier_.get(), &FrameNotifier::frameReady, view_.data(), qOverload<>(&QWidget::update),
                     Qt::QueuedConnection);
    open_ = openFile(path);
    if (!open_) {
        qCWarning(lcPlayer) << "cannot play" << path << ":" << error_;
        freeFile();
        return;
    }
    if (audioStream_ >= 0) {
        audio_ = AudioOutput::create();
        if (audio_)
            clock_.setAudio(audio_->ring());
    }
    // A new player shows its first picture, paused.
    requestSeekLocked(0);
    startThreads();
}

PlayerCore::~PlayerCore() {
    close();
    if (view_)
        delete view_.data();
    --gLiveCount;
}

int PlayerCore::liveCount() {
    return gLiveCount.load();
}

QWidget* PlayerCore::view() const {
    return view_.data();
}

bool PlayerCore::openFile(const QString& path) {
    if (path.isEmpty()) {
        error_ = QStringLiteral("no file");
        return false;
    }
    const QByteArray utf8 = path.toUtf8();
    int err = avformat_open_input(&fmt_, utf8.constData(), nullptr, nullptr);
    if (err < 0) {
        error_ = avErrorText(err);
        return false;
    }
    err = avformat_find_stream_info(fmt_, nullptr);
    if (err < 0) {
        error_ = avErrorText(err);
        return false;
    }
    videoStream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoStream_ >= 0 && (fmt_->streams[videoStream_]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        videoStream_ = -1; // cover art is not a picture track
    if (videoStream_ >= 0 && !openDecoder(videoStream_, &vdec_))
        videoStream_ = -1;
    int audio = av_find_best_stream(fmt_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio >= 0 && !openDecoder(audio, &adec_))
        audio = -1;
    audioStream_ = audio;
    wantedAudioStream_ = audio;
    if (videoStream_ < 0 && audio < 0) {
        error_ = QStringLiteral("no playable stream");
        return false;
    }
    startUs_ = fmt_->start_time != AV_NOPTS_VALUE ? fmt_->start_time : 0;
    durationUs_ = fmt_->duration > 0 ? fmt_->duration : 0;
    for (unsigned i = 0; durationUs_ <= 0 && i < fmt_->nb_streams; ++i) {
        const AVStream* st = fmt_->streams[i];
        if (st->duration > 0)
            durationUs_ = std::max(durationUs_, av_rescale_q(st->duration, st->time_base, AV_TIME_BASE_Q));
    }
    if (videoStream_ >= 0) {
        AVStream* st = fmt_->streams[videoStream_];
        const AVRational rate = av_guess_frame_rate(fmt_, st, nullptr);
        if (rate.num > 0 && rate.den > 0)
            frameDurUs_ = av_rescale(1000000, rate.den, rate.num);
        filter_.setSource(displayRotation(st));
    }
    return true;
}

bool PlayerCore::openDecoder(int streamIndex, AVCodecContext** ctx) {
    const AVStream* st = fmt_->streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec)
        return false;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    if (!c)
        return false;
    int err = avcodec_parameters_to_context(c, st->codecpar);
    if (err >= 0) {
        c->pkt_timebase = st->time_base;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            c->thread_count = std::clamp(QThread::idealThreadCount(), 1, 4);
        err = avcodec_open2(c, codec, nullptr);
    }
    if (err < 0) {
        qCWarning(lcPlayer) << "cannot decode stream" << streamIndex << ":" << avErrorText(err);
        avcodec_free_context(&c);
        return false;
    }
    avcodec_free_context(ctx);
    *ctx = c;
    return true;
}

void PlayerCore::startThreads() {
    demuxThread_ = std::thread([this] { demuxLoop(); });
    if (videoStream_ >= 0)
        videoThread_ = std::thread([this] { videoLoop(); });
    if (audio_)
        audioThread_ = std::thread([this] { audioLoop(); });
}

void PlayerCore::stopThreads() {
    {
        std::lock_guard lock(stateMutex_);
        abort_ = true;
    }
    stateCv_.notify_all();
    videoQ_.abort();
    audioQ_.abort();
    if (audio_)
        audio_->ring()->abort();
    for (std::thread* t : {&demuxThread_, &videoThread_, &audioThread_})
        if (t->joinable())
            t->join();
}

void PlayerCore::freeFile() {
    avcodec_free_context(&vdec_);
    avcodec_free_context(&adec_);
    avformat_close_input(&fmt_);
    std::lock_guard lock(renderMutex_);
    av_frame_free(&current_);
}

void PlayerCore::close() {
    if (closed_)
        return;
    closed_ = true;
    status_ = Stopped;
    stopThreads();
    audio_.reset();
    clock_.setAudio(nullptr);
    freeFile();
}

void PlayerCore::setDidEnd(std::function<void()> block) {
    std::lock_guard lock(stateMutex_);
    didEnd_ = std::move(block);
}

// ---- transport (GUI thread) ----

void PlayerCore::setStatus(Status next) {
    if (!open_ || closed_)
        return;
    {
        std::lock_guard lock(stateMutex_);
        if (next == Playing && atEnd_)
            requestSeekLocked(0); // playing again after the end starts over
        if (next != Paused || status_ == Playing)
            status_ = next;
        clock_.setRunning(next == Playing);
    }
    stateCv_.notify_all();
    if (audio_)
        audio_->setRunning(next == Playing);
}

void PlayerCore::seekUs(int64_t us) {
    if (!open_ || closed_)
        return;
    {
        std::lock_guard lock(stateMutex_);
        requestSeekLocked(us);
    }
    stateCv_.notify_all();
}

void PlayerCore::requestSeekLocked(int64_t us) {
    us = std::max<int64_t>(0, durationUs_ > 0 ? std::min(us, durationUs_) : us);
    seekPending_ = true;
    seekTargetUs_ = us;
    ++requestedSerial_;
    atEnd_ = false;
    clock_.setUs(us);
    // While playing, the clock waits for the first picture at the new place.
    if (status_ == Playing && videoStream_ >= 0)
        clock_.setHeld(true);
}

int64_t PlayerCore::positionUs() const {
    if (!open_)
        return 0;
    const int64_t t = std::max<int64_t>(0, clock_.nowUs());
    return durationUs_ > 0 ? std::min(t, durationUs_) : t;
}

// ---- settings ----

PreviewSettings PlayerCore::settings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

void PlayerCore::editPicture(const std::function<void(PreviewSettings&)>& edit) {
    std::lock_guard lock(settingsMutex_);
    edit(settings_);
    ++settings_.pictureVersion;
}

void PlayerCore::editSound(const std::function<void(PreviewSettings&)>& edit) {
    std::lock_guard lock(settingsMutex_);
    edit(settings_);
    ++settings_.soundVersion;
}

void PlayerCore::setAudioIndex(int streamIndex) {
    if (!open_ || closed_ || streamIndex < 0 || unsigned(streamIndex) >= fmt_->nb_streams ||
        fmt_->streams[streamIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        return;
    std::lock_guard lock(stateMutex_);
    if (streamIndex == wantedAudioStream_)
        return;
    wantedAudioStream_ = streamIndex;
    // The switch happens at a seek to where we are, so that both decoders restart together.
    requestSeekLocked(clock_.nowUs());
    stateCv_.notify_all();
}

// ---- pictures out ----

void PlayerCore::publish(const AVFrame* frame, FrameConverter& converter) {
    double aspect = 0;
    QImage img = converter.toImage(frame, &aspect);
    if (img.isNull())
        return;
    slot_->set(std::move(img), aspect);
    emit notifier_->frameReady();
}

void PlayerCore::waitForSeekPicture() {
    if (!open_ || closed_ || videoStream_ < 0)
        return;
    std::unique_lock lock(stateMutex_);
    stateCv_.wait_for(lock, 3s, [&] { return shownSerial_ >= requestedSerial_ || abort_; });
}

void PlayerCore::refresh() {
    if (!open_ || closed_)
        return;
    // Redraw the frame of the place last sought, not the one before it.
    waitForSeekPicture();
    const PreviewSettings s = settings();
    AVFrame* filtered = nullptr;
    AVFrame* plain = nullptr;
    {
        std::lock_guard lock(renderMutex_);
        if (!current_)
            return;
        filtered = filter_.renderOnce(current_, currentUs_, s);
        if (!filtered)
            plain = av_frame_clone(current_);
    }
    publish(filtered ? filtered : plain, refreshConverter_);
    av_frame_free(&filtered);
    av_frame_free(&plain);
}

int PlayerCore::snapshot(int* w, int* h, unsigned char* buf) {
    if (!w || !h || !buf || *w <= 0 || *h <= 0)
        return 0;
    const int64_t bytes = int64_t(*w) * int64_t(*h) * 4;
    if (bytes > int64_t(1) << 31)
        return 0;
    waitForSeekPicture();
    const QImage img = slot_->image();
    if (img.isNull())
        return 0;
    const QImage scaled = img.size() == QSize(*w, *h)
                              ? img
                              : img.scaled(*w, *h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (scaled.width() != *w || scaled.height() != *h)
        return 0;
    const size_t row = size_t(*w) * 4;
    for (int y = 0; y < *h; ++y)
        std::memcpy(buf + size_t(y) * row, scaled.constScanLine(y), row);
    return 1;
}

// ---- threads ----

int64_t PlayerCore::frameUs(const AVFrame* f, int streamIndex) const {
    int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        ts = f->pts;
    if (ts == AV_NOPTS_VALUE)
        return -1;
    return av_rescale_q(ts, fmt_->streams[streamIndex]->time_base, AV_TIME_BASE_Q) - startUs_;
}

void PlayerCore::syncAudioDevice() {
    // The sound sink lives on the GUI thread; the notifier runs the call there.
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this] {
            if (audio_)
                audio_->setRunning(status_ == Playing);
        },
        Qt::QueuedConnection);
}

bool PlayerCore::reachedEnd(int serial) {
    if (status_ != Playing || atEnd_)
        return false;
    if (videoStream_ >= 0 && videoEndSerial_ != serial)
        return false;
    if (audio_ && audioStream_ >= 0 && !audio_->ring()->drained())
        return false;
    return durationUs_ <= 0 || clock_.nowUs() >= durationUs_;
}

void PlayerCore::demuxLoop() {
    AVPacket* pkt = av_packet_alloc();
    int serial = 0;
    bool eof = false;
    while (true) {
        std::function<void()> endBlock;
        bool ended = false;
        {
            std::unique_lock lock(stateMutex_);
            if (abort_)
                break;
            if (seekPending_) {
                seekPending_ = false;
                serial = requestedSerial_;
                const int64_t target = seekTargetUs_;
                audioStream_ = wantedAudioStream_;
                lock.unlock();
                const int err = av_seek_frame(fmt_, -1, target + startUs_, AVSEEK_FLAG_BACKWARD);
                if (err < 0 && target > 0)
                    qCDebug(lcPlayer) << "seek to" << target << "us:" << avErrorText(err);
                if (err < 0)
                    av_seek_frame(fmt_, -1, startUs_, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
                videoQ_.flush(serial, target);
                audioQ_.flush(serial, target);
                if (audio_)
                    audio_->ring()->flush(serial);
                eof = false;
                continue;
            }
            if (eof && reachedEnd(serial)) {
                atEnd_ = true;
                ended = true;
                status_ = Stopped;
                clock_.setRunning(false);
                clock_.setUs(durationUs_);
                endBlock = didEnd_;
                stateCv_.notify_all();
            } else if (eof || videoQ_.full() || audioQ_.full()) {
                stateCv_.wait_for(lock, 10ms);
                continue;
            }
        }
        if (ended) {
            syncAudioDevice();
            if (endBlock)
                endBlock();
            continue;
        }
        const int err = av_read_frame(fmt_, pkt);
        if (err < 0) {
            if (err != AVERROR_EOF && !(fmt_->pb && avio_feof(fmt_->pb)))
                qCDebug(lcPlayer) << "read stops:" << avErrorText(err);
            eof = true;
            videoQ_.pushEnd(serial);
            audioQ_.pushEnd(serial);
            continue;
        }
        if (pkt->stream_index == videoStream_) {
            videoQ_.push(av_packet_clone(pkt), serial);
        } else if (audio_ && pkt->stream_index == audioStream_) {
            audioQ_.push(av_packet_clone(pkt), serial);
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
}

bool PlayerCore::waitForClock(int64_t ptsUs, int serial) {
    std::unique_lock lock(stateMutex_);
    while (true) {
        if (abort_ || videoQ_.serial() != serial || seekPending_)
            return false;
        if (status_ == Playing) {
            const int64_t now = clock_.nowUs();
            if (now >= ptsUs)
                return true;
            stateCv_.wait_for(
                lock, std::min<std::chrono::microseconds>(std::chrono::microseconds(ptsUs - now), 20ms));
        } else {
            stateCv_.wait_for(lock, 50ms);
        }
    }
}

void PlayerCore::markShown(int serial) {
    std::lock_guard lock(stateMutex_);
    if (shownSerial_ < serial)
        shownSerial_ = serial;
    clock_.setHeld(false);
    stateCv_.notify_all();
}

void PlayerCore::show(const AVFrame* frame, int64_t ptsUs, int serial, bool firstAfterSeek) {
    // A picture already a frame behind the clock is skipped so that playback keeps pace.
    if (!firstAfterSeek && status_ == Playing && clock_.nowUs() > ptsUs + frameDurUs_)
        return;
    const PreviewSettings s = settings();
    std::vector<FilteredFrame> out;
    bool filtered = false;
    {
        std::lock_guard lock(renderMutex_);
        av_frame_free(&current_);
        current_ = av_frame_clone(frame);
        currentUs_ = ptsUs;
        filtered = filter_.push(frame, ptsUs, s, firstAfterSeek, out);
        // The first picture at a new place must come out now, even from a graph that waits.
        if (filtered && firstAfterSeek && out.empty())
            if (AVFrame* once = filter_.renderOnce(frame, ptsUs, s))
                out.push_back({once, ptsUs});
    }
    if (!filtered)
        out.push_back({av_frame_clone(frame), ptsUs});
    bool dropping = false; // a seek or close came while waiting: the rest is not shown
    for (FilteredFrame& f : out) {
        dropping = dropping || !f.frame || (!firstAfterSeek && !waitForClock(f.ptsUs, serial));
        if (!dropping)
            publish(f.frame, converter_);
        av_frame_free(&f.frame);
    }
    if (firstAfterSeek)
        markShown(serial);
}

void PlayerCore::videoLoop() {
    AVFrame* frame = av_frame_alloc();
    AVFrame* before = nullptr; // the latest frame before a seek target, for a target past the end
    int serial = 0;
    int64_t target = 0;
    bool first = false;
    int64_t lastEndUs = 0;
    PacketItem item;
    while (videoQ_.pop(item)) {
        if (item.kind == PacketItem::Flush) {
            avcodec_flush_buffers(vdec_);
            serial = item.serial;
            target = item.targetUs;
            first = true;
            av_frame_free(&before);
            continue;
        }
        if (item.serial != serial) {
            av_packet_free(&item.pkt);
            continue;
        }
        const int sent = avcodec_send_packet(vdec_, item.kind == PacketItem::End ? nullptr : item.pkt);
        av_packet_free(&item.pkt);
        if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_EOF)
            qCDebug(lcPlayer) << "video packet refused:" << avErrorText(sent);
        while (avcodec_receive_frame(vdec_, frame) >= 0) {
            if (videoQ_.serial() != serial) {
                av_frame_unref(frame);
                continue; // a newer seek is on its way: drain without showing
            }
            int64_t pts = frameUs(frame, videoStream_);
            if (pts < 0)
                pts = lastEndUs;
            const int64_t dur = frame->pkt_duration > 0
                                    ? av_rescale_q(frame->pkt_duration,
                                                   fmt_->streams[videoStream_]->time_base, AV_TIME_BASE_Q)
                                    : frameDurUs_;
            lastEndUs = pts + dur;
            if (first && pts + dur <= target) {
                // Before the sought frame: keep it only in case nothing later comes.
                av_frame_free(&before);
                before = av_frame_clone(frame);
                av_frame_unref(frame);
                continue;
            }
            // Wait until the picture is nearly due, so that settings changed meanwhile apply.
            if (!first && !waitForClock(pts - 2 * frameDurUs_, serial)) {
                av_frame_unref(frame);
                continue;
            }
            show(frame, pts, serial, first);
            first = false;
            av_frame_unref(frame);
        }
        if (item.kind == PacketItem::End) {
            if (first) {
                if (before)
                    show(before, target, serial, true);
                markShown(serial);
                first = false;
            }
            av_frame_free(&before);
            avcodec_flush_buffers(vdec_);
            std::lock_guard lock(stateMutex_);
            videoEndSerial_ = serial;
            stateCv_.notify_all();
        }
    }
    av_frame_free(&before);
    av_frame_free(&frame);
}

void PlayerCore::audioLoop() {
    AudioRing* ring = audio_->ring();
    AudioFilter filter(audio_->format().sampleRate());
    AVFrame* frame = av_frame_alloc();
    std::vector<PcmChunk> chunks;
    int serial = 0;
    int64_t target = 0;
    bool restart = true;
    int decoderStream = audioStream_;
    PacketItem item;
    while (audioQ_.pop(item)) {
        if (item.kind == PacketItem::Flush) {
            serial = item.serial;
            target = item.targetUs;
            restart = true;
            if (audioStream_ != decoderStream && openDecoder(audioStream_, &adec_))
                decoderStream = audioStream_;
            avcodec_flush_buffers(adec_);
            continue;
        }
        if (item.serial != serial) {
            av_packet_free(&item.pkt);
            continue;
        }
        avcodec_send_packet(adec_, item.kind == PacketItem::End ? nullptr : item.pkt);
        av_packet_free(&item.pkt);
        bool current = true;
        while (current && avcodec_receive_frame(adec_, frame) >= 0) {
            int64_t pts = frameUs(frame, decoderStream);
            if (pts < 0)
                pts = target;
            const int64_t lengthUs =
                frame->sample_rate > 0 ? int64_t(frame->nb_samples) * 1000000 / frame->sample_rate : 0;
            chunks.clear();
            // Sound wholly before the sought place is not needed; the graph starts at the frame that holds
            // it.
            const bool needed = pts + lengthUs > target;
            if (needed && filter.push(frame, pts, settings(), restart, chunks))
                restart = false;
            av_frame_unref(frame);
            const int bytesPerSecond = audio_->format().bytesForDuration(1000000);
            for (PcmChunk& c : chunks) {
                if (c.ptsUs < target) { // the sought place is inside this chunk
                    const qsizetype skip = std::min<qsizetype>(
                        qsizetype((target - c.ptsUs) * bytesPerSecond / 1000000) & ~qsizetype(3),
                        c.pcm.size());
                    c.pcm.remove(0, skip);
                    c.ptsUs = target;
                }
                if (!c.pcm.isEmpty() && !ring->write(serial, c.ptsUs, std::move(c.pcm))) {
                    current = false;
                    break;
                }
            }
        }
        if (item.kind == PacketItem::End) {
            ring->setEnded(serial);
            avcodec_flush_buffers(adec_);
        }
    }
    av_frame_free(&frame);
}
