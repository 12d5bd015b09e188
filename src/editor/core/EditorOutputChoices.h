// The output format the editor's format browser chose last, as it stores it in the user
// defaults, and how a newly opened file takes it into its output settings (targetData).
#pragma once

#include <QString>

class SimpleData;

class EditorOutputChoices {
public:
    // The stored texts; empty when a key is not stored. A value that is empty or one blank
    // (" ") keeps the source's own value.
    QString vcodec;      // "vcodec_SelectTitle"
    QString resolution;  // "resolution_SelectTitle", width x height as in "1280x720"
    QString framerate;   // "framerate_SelectTitle"
    QString bitrate;     // "bitate_SelectTitle", kbit/s
    QString acodec;      // "acodec_SelectTitle"
    QString achannel;    // "achannel_SelectTitle"
    QString asamplerate; // "asamplerate_SelectTitle"
    QString abitrate;    // "abitate_SelectTitle", kbit/s
    QString extName;     // "extName_SelectTitle"

    static EditorOutputChoices fromUserDefaults();

    // Fills the output settings of a newly probed file with a picture: frame size, video and
    // audio bit rates and frame rate from the choices, each value that is missing or not a
    // positive number taken from the source; the duration of the source; the estimated size
    // ((video + audio kbit/s) x seconds / 8); the video codec and the extension when chosen.
    // A file without a picture keeps its output settings.
    void applyTo(SimpleData& data) const;

    // True for a stored value that stands for "keep the source's".
    static bool keepsSource(const QString& value);
    // The leading whole number of a stored value ("1280", "128 kbps"); 0 when there is none
    // or it is not positive.
    static int leadingCount(const QString& text);
    // The leading decimal number of a stored value ("29.97", "25 fps"); 0 when there is none.
    static double leadingDecimal(const QString& text);
    // The channel count of a channels title ("2(Stereo)", "1"); 0 when there is none.
    static int channelsOf(const QString& title);
};
