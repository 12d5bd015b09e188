// The clips the picture-tool tests judge by pixels, made once per test program by the ffmpeg
// command line: a busy moving picture with a solid red block in its top-left corner and black
// blocks in the other three corners of its left half, so that every turn and mirror of that
// half can be told apart, and a sine tone.
#pragma once

#include "TestSupport.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

namespace picturetest {

constexpr int kWidth = 320, kHeight = 180, kMark = 48;

// 2 s, 320x180, 25 fps H.264 (a key frame every 50) with AAC; 48x48 blocks: red at the top
// left, black at the other corners of the left half (x 112 and y 132).
inline QString markedClip() {
    static QTemporaryDir dir;
    const QString path = dir.path() + "/marked.mp4";
    if (!QFileInfo::exists(path))
        testsupport::makeWithFfmpeg(
            path, {"-f",
                   "lavfi",
                   "-i",
                   "testsrc2=size=320x180:rate=25:duration=2,drawbox=x=0:y=0:w=48:h=48:color=red:t=fill,"
                   "drawbox=x=112:y=0:w=48:h=48:color=black:t=fill,"
                   "drawbox=x=0:y=132:w=48:h=48:color=black:t=fill,"
                   "drawbox=x=112:y=132:w=48:h=48:color=black:t=fill",
                   "-f",
                   "lavfi",
                   "-i",
                   "sine=frequency=440:sample_rate=44100:duration=2",
                   "-c:v",
                   "libx264",
                   "-preset",
                   "veryfast",
                   "-crf",
                   "12",
                   "-g",
                   "50",
                   "-pix_fmt",
                   "yuv420p",
                   "-c:a",
                   "aac",
                   "-shortest"});
    return path;
}

// Mean colour of a rectangle (Qt coordinates, top-left origin).
struct Mean {
    double r = 0, g = 0, b = 0;
};
inline Mean meanOf(const QImage& img, const QRect& area) {
    Mean m;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            m.r += c.red(), m.g += c.green(), m.b += c.blue();
            ++n;
        }
    if (n > 0)
        m.r /= n, m.g /= n, m.b /= n;
    return m;
}
inline bool isRed(const Mean& m) {
    return m.r > 180 && m.g < 80 && m.b < 80;
}
inline bool isBlack(const Mean& m) {
    return m.r < 50 && m.g < 50 && m.b < 50;
}

} // namespace picturetest
