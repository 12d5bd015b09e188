// Small helpers every window leans on: time strings, the time-stamp file name, the colour
// word handed to the engine and the player, button titles and text measures. No state.
#pragma once

#include "foundation/helpers/AttributedString.h"
#include "platform/Geometry.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <optional>

// Text alignment codes as the windows pass them to retButtonTitle.
enum NSTextAlignment : long {
    NSTextAlignmentLeft = 0, // taken as centred by retButtonTitle: 0 means "not given"
    NSTextAlignmentRight = 1,
    NSTextAlignmentCenter = 2,
    NSTextAlignmentJustified = 3,
    NSTextAlignmentNatural = 4,
};

class HelpClass {
public:
    // A time split for display: every part >= 0, hundredths rounded to the nearest.
    struct TimeParts {
        long long hours = 0;
        long long minutes = 0;
        long long seconds = 0;
        long long hundredths = 0;
        bool operator==(const TimeParts&) const = default;
    };

    // The local date and time as "yyyy-MM-dd_HH-mm-ss".
    static QString createFilename();

    // Splits seconds into hours, minutes, seconds and hundredths. Negative and non-finite
    // times count as 0; the time is rounded to the nearest hundredth first and split in
    // integers, so 1.29 gives 1 s 29 and every displayed time reads back to itself.
    static TimeParts splitTime(double seconds);
    // The time in seconds of four parts (no normalisation: 75 minutes are 4500 s).
    static double timeFromParts(long long hours, long long minutes, long long seconds, long long hundredths);

    // "HHMMSS.cc" (3661.5 -> "010101.50"), for segment file names.
    static QString returnTimeToCutFileName(double seconds);
    // "HH:MM:SS.cc" (3661.5 -> "01:01:01.50"); hours are not capped ("100:00:00.25").
    static QString returnTimeToStr(double seconds);
    // "HH:MM:SS.cc" from four parts, negative parts as 00, nothing normalised.
    static QString retrnTimeToStr(int hours, int minutes, int seconds, int hundredths);
    // Reads a time typed or shown as "HH:MM:SS.cc", also "MM:SS.cc", "SS.cc", "SS" and a
    // fraction of one or more digits ("1.5" = 1.50 s). Minutes and seconds may exceed 59.
    // Nothing for text that is not such a time (letters, signs, empty parts, overflow).
    static std::optional<double> parseTimeStr(const QString& text);

    // A styled button title. Alignment 0 means centred; a null or invalid colour is black;
    // a size <= 0 is 12; an empty text gives an empty title without attributes.
    static AttributedString retButtonTitle(const QString& text, const QColor& color, const QString& fontName,
                                           long fontsize, bool shadow, long textAlignment);

    // The colour word: red in bits 24..31, green 16..23, blue 8..15, bits 0..7 zero. Alpha
    // is ignored; an invalid colour gives 0.
    static uint32_t retDwordColorVolue(const QColor& color);

    // The box a text needs when laid out within width x height (word wrapped), with its
    // height made 2 * y + height + 4. No font: the system font at 30.
    static NSRect getHeightOfText(const QString& text, double width, double height,
                                  const QFont* font = nullptr);

    // A font by the name the windows use, at a size in view points (Qt pixels). The names of
    // the system interface font (".AppleSystemUIFont") and of the Arabic font ("Muna") map to
    // this desktop's general font; other names go to Qt's font matching.
    static QFont fontWithName(const QString& name, double size);
};
