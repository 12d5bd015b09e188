// Turns a decoded or filtered picture into a QImage in the snapshot layout (B, G, R, A bytes,
// premultiplied) with libswscale, keeping the conversion context between frames.
#pragma once

#include <QImage>

struct AVFrame;
struct SwsContext;

class FrameConverter {
public:
    FrameConverter() = default;
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // Null on failure. `displayAspect` gets width / height as displayed.
    QImage toImage(const AVFrame* frame, double* displayAspect);

private:
    SwsContext* sws_ = nullptr;
};
