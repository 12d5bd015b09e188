// The probe every tool window runs on a chosen file: the engine reads the file's length
// and its first audio and video stream into a new SimpleData (sourceData and targetData
// get the same values), and a 285 x 180 thumbnail is taken from the picture.
//
// A file is refused when the engine cannot open it, when it has no positive length (a
// window would divide by it), or, for the cutters, the joiner and the splitter, when its
// first audio stream is AC-3. Main thread; the engine calls are synchronous, but the reading
// of a large file (an MPEG recording's index reads it whole) runs on a worker while the windows
// are painted, under a sheet that shows how far it is and can cancel it.
#pragma once

#include "mediacore/MediaRecords.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QWidget;
class SimpleData;

class SourceProbe {
public:
    enum class Refusal { None, NotMedia, Ac3Audio, Cancelled }; // Cancelled: by the user, nothing to say
    struct Result {
        std::shared_ptr<SimpleData> data; // null when refused
        Refusal refusal = Refusal::None;
        // Every sound stream the engine lists, in its order (also AC-3 ones when allowed).
        std::vector<MEDIA_AUDIO_STREAM_INFO> audioStreams;
        // The engine lists a picture stream (whether or not a thumbnail could be taken).
        bool hasVideo = false;
    };

    static constexpr int kThumbWidth = 285;
    static constexpr int kThumbHeight = 180;

    // Probes path. With refuseAc3 an AC-3 first audio stream refuses the file. A long reading's
    // sheet opens on `window` (else on the active window).
    static Result probe(const QString& path, bool refuseAc3 = true, QWidget* window = nullptr);
    // The probe of a clip list's file (joiner, batch cutter): as probe(), and a file without
    // a picture stream shows the sound icon in its row. A video whose first frame cannot be
    // taken has no thumbnail: the sound icon would call it a sound file.
    static Result probeClip(const QString& path, QWidget* window = nullptr);
    // The first frame of the file scaled to exactly `size`; null when there is none.
    static QImage thumbnail(const QString& path, QSize size);
    // Tells the user why a file was refused, in a window-modal alert on window: the AC-3
    // sheet ("error" / "AAC3_Error_Message") or the unsupported-file message with the name.
    static void showRefusal(QWidget* window, Refusal refusal, const QString& path);
    // The message that names the refused files of one choice: "These files are not
    // supported: a.mp4, b.mp4".
    static QString unsupportedFilesText(const QStringList& names);
    // The probe of a window's source file: the record, or null after telling the user why
    // the file was refused.
    static std::shared_ptr<SimpleData> probeOrRefuse(QWidget* window, const QString& path);
};
