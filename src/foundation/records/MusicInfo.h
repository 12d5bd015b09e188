// One background-music track of the editor. Times in seconds.
#pragma once

#include <QString>
#include <memory>

class MusicInfo {
public:
    MusicInfo() = default;
    ~MusicInfo();
    MusicInfo(const MusicInfo&) = delete;
    MusicInfo& operator=(const MusicInfo&) = delete;

    QString path;
    float duration = 0;      // music available for use: the shorter of the file and the video
    float pruneStart = 0;    // start of the used part of the music file
    float pruneDiration = 0; // length of the used part
    float positionStart = 0; // on the video's time line
    float positionEnd = 0;
    bool fadeIn = false;
    bool fadeOut = false;
    bool repeat = false;
    bool prune = false;
    bool selected = false;
    float volume = 0; // gain handed to the engine and the player

    // A track as the music panel adds it: usable length = the shorter of the music file and
    // the video, placed over the whole video, volume 0.5, selected. Non-finite or negative
    // lengths count as 0.
    static std::shared_ptr<MusicInfo> loaded(const QString& path, double musicSeconds, double videoSeconds);
};
