// Clips the editor tests need beyond the shared fixtures, made once per test program by the
// ffmpeg command line, and a scratch user-defaults store.
#pragma once

#include "TestSupport.h"
#include "platform/UserDefaults.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace editortest {

// 2 s, 320x180 H.264 with four sound streams: AAC stereo 44.1 kHz titled "Commentary", AC-3,
// MP3 mono 48 kHz in French, and AC-3 again.
inline QString multiSoundClip() {
    static QTemporaryDir dir;
    const QString path = dir.path() + "/multi_sound.mkv";
    if (!QFileInfo::exists(path))
        testsupport::makeWithFfmpeg(
            path, QString("-f lavfi -i testsrc2=size=320x180:rate=25:duration=2 "
                          "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 "
                          "-f lavfi -i sine=frequency=550:sample_rate=48000:duration=2 "
                          "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=2 "
                          "-map 0 -map 1 -map 2 -map 3 -map 2 -c:v libx264 -preset veryfast -pix_fmt yuv420p "
                          "-c:a:0 aac -ac:a:0 2 -metadata:s:a:0 title=Commentary -c:a:1 ac3 "
                          "-c:a:2 libmp3lame -ac:a:2 1 -metadata:s:a:2 language=fra -c:a:3 ac3")
                      .split(' '));
    return path;
}

// Points the user defaults at an empty scratch file for the lifetime of the object.
struct ScratchDefaults {
    QTemporaryDir dir;
    ScratchDefaults() { UserDefaults::setStorePath(dir.filePath("defaults.ini")); }
    ~ScratchDefaults() { UserDefaults::setStorePath(dir.filePath("unused.ini")); }
};

} // namespace editortest
