// Opening a file in the editor: the probe into a new record (source values, every sound
// stream the editor can play, a thumbnail 180 pixels high, the output values from the stored
// format choice), the decision whether the editor can take the file, and the messages.
//
// The probe comes first and changes nothing: only an accepted file replaces the open one, so
// a refused or unreadable file leaves the earlier file, its record, its player and its music
// exactly as they were. Main thread; the engine calls are synchronous.
#pragma once

#include "editor/core/EditorOpenFile.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

class AudioStreamInfo;
class QWidget;

class EditorFileLoader {
public:
    enum class Refusal {
        None,
        NotMedia,  // unreadable, not media, no length, or streams with impossible values
        NoPicture, // media without a picture (sound only)
        Cancelled, // the user stopped the reading: nothing to say
    };
    struct Result {
        std::shared_ptr<SimpleData> data; // null when refused
        Refusal refusal = Refusal::None;
        EditorOutputChoices choices;
        int skippedAc3Streams = 0; // AC-3 sound streams left out of the list
    };

    static constexpr int kThumbHeight = 180;
    static constexpr int kMaxThumbWidth = 1024;

    // Probes `path` into a new record; changes nothing else.
    static Result probe(const QString& path);
    // Probes `path` and, when the editor can take it, makes it the open file (new record,
    // output choices, a working copy of its watermark parameters). A refused file leaves
    // `file` untouched.
    static Result open(const QString& path, EditorOpenFile& file);

    // The sound streams the editor can play, in the engine's order: AC-3 streams are left out
    // (counted in *skippedAc3 when given).
    static std::vector<std::shared_ptr<AudioStreamInfo>>
    playableAudioStreams(const std::vector<MEDIA_AUDIO_STREAM_INFO>& records, int* skippedAc3 = nullptr);
    // The thumbnail's size for a picture shown at width x height: 180 high, as wide as the
    // proportions ask, at least 1 and at most kMaxThumbWidth wide. Empty for an empty picture.
    static QSize thumbnailSize(int width, int height);

    // Tells the user what the probe found, window-modal over `window`: why a file was refused
    // (it names the file when it is not media; it asks for a video when it has no picture), or
    // one warning for each AC-3 stream that was left out of an accepted file.
    static void showOutcome(QWidget* window, const Result& result, const QString& path);
};
