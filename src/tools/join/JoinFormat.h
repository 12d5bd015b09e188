// The output format of a join, as the chosen profile gives it: the extension and the eight
// encoding titles. A title that is missing, empty or one blank keeps the source's value.
#pragma once

#include "tools/shared/EngineJoin.h"

#include <QString>

class SimpleData;

class JoinFormat {
public:
    QString extName;
    QString vcodec, resolution, framerate, bitrate, acodec, channels, samplerate, abitrate;

    // Reads a profile file; an unreadable one keeps every source value.
    static JoinFormat fromProfile(const QString& path);
    // The format the joiner keeps in the user defaults ("extNameSelectTitle",
    // "vcodecSelectTitle", ...), where the settings window changes it.
    static JoinFormat fromDefaults();
    // The format of a clip's own source: its codecs, frame size, frame rate, bit rates,
    // channels, sample rate and container.
    static JoinFormat ofSource(const SimpleData& clip);
    // Writes this format's values into a clip's target values, each falling back to the
    // source's where the format keeps it; video values only when withVideo (an audio
    // profile leaves them). The target's size estimate follows.
    void applyToTarget(SimpleData& clip, bool withVideo) const;
    // Stores this format there; a kept value is stored as one blank.
    void storeInDefaults() const;

    // The encoding to ask of the engine. reference is the clip marked as default format
    // (may be null): its frame size and bit rate stand in for values the profile keeps.
    EngineJoin::Encoding encoding(const SimpleData* reference) const;
    // The output extension: the profile's, else the default clip's, else the first clip's. A
    // sound profile that keeps the source's format takes the container of the first clip's sound
    // (song.m4a for AAC), so that no picture is written.
    QString extensionFor(const SimpleData* reference, const SimpleData& first, bool soundOnly = false) const;

    // The title without its blanks; empty means keep the source's value.
    static QString chosen(const QString& title);
};
