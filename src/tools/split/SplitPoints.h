// The split points of the three computed modes, as fractions of the file's length: every
// T seconds, every S megabytes (placed in proportion to the length), or N equal parts.
// A result holds only fractions strictly between 0 and 1, ascending.
#pragma once

#include <QString>
#include <optional>
#include <vector>

class SplitPoints {
public:
    // Every seconds of a file duration seconds long; a last part shorter than minLast
    // seconds joins the one before it.
    static std::vector<float> byTime(double duration, double seconds, double minLast = 0);
    // Every megabytes of a file fileSize megabytes large.
    static std::vector<float> bySize(double fileSize, double megabytes);
    // parts equal parts.
    static std::vector<float> byCount(double parts);
    // How many points a mode would place (without building them), or nullopt when the
    // inputs give none that make sense (not finite, not above 0).
    // minLast as for byTime.
    static std::optional<double> pointCount(double total, double step, double minLast = 0);

    // The positive number at the start of a preset title ("20 s" is 20, "2.5MB" is 2.5);
    // nullopt for a title that does not start with one.
    static std::optional<double> presetValue(const QString& title);
    // A typed value: a number above 0 (surrounding blanks allowed), else nullopt.
    static std::optional<double> positiveValue(const QString& text);
};
