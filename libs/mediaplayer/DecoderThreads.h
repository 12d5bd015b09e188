// How many frame threads the picture decoder gets: one per CPU the process may use and one
// more, so that the CPUs keep decoding while the video thread filters and converts the picture
// it was handed (FFmpeg sizes its own automatic frame threads alike). Capped, since every frame
// thread holds pictures of its own.
#pragma once

#include <QThread>
#include <algorithm>

namespace player {

inline int pictureDecoderThreads() {
    return std::clamp(QThread::idealThreadCount() + 1, 2, 5);
}

} // namespace player
