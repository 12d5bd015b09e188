// A row of four time-code fields (hours : minutes : seconds . hundredths) on its background
// picture, with a visible stepper at its right end; and the checks that two such rows, a
// start and an end, make on every value they store.
//
// A click on a field makes it the row's active field and loads its number into the stepper;
// a press on the stepper writes the stepped value into the active field of this row only
// (the seconds field until one was clicked) and reports it. Typing ends with Return, Tab or
// a click elsewhere and goes to shouldEndEditing; false keeps the field in editing.
//
// Times are split in whole hundredths, so that 1.29 s reads 00:00:01.29 and a negative time
// reads as zero. The separators read like the window's time labels: ":", ":" and ".".
//
// Main thread only.
#pragma once

#include "foundation/controls/LxTextField.h"
#include "foundation/controls/LxTextFieldDelegate.h"
#include "platform/Geometry.h"

#include <QLabel>
#include <array>
#include <functional>

class TimeStepper;

class TimeCodeRow : public QLabel, public LxTextFieldDelegate {
    Q_OBJECT
public:
    // Range: the 151-point row of the trim areas; Compact: the 135-point row of a small panel.
    enum class Style { Range, Compact };
    enum Part { Hours = 0, Minutes = 1, Seconds = 2, Hundredths = 3 };
    using Fields = std::array<LxTextField*, 4>;

    TimeCodeRow(QWidget* parent, const NSRect& frame, Style style = Style::Range);
    ~TimeCodeRow() override;

    const Fields& fields() const { return fields_; }
    LxTextField* field(int part) const { return fields_[size_t(part)]; }
    TimeStepper* stepper() const { return stepper_; }
    bool contains(const QObject* field) const;
    // The part a field of this row stands for; -1 for any other field.
    int partOf(const QObject* field) const;

    // hours x 3600 + minutes x 60 + seconds + hundredths / 100, each the integer at the start
    // of its field's text (0 when there is none).
    double time() const;
    void setTime(double seconds);
    // The field clicked last (the seconds field until then).
    LxTextField* activeField() const { return fields_[size_t(activePart_)]; }
    void setActivePart(int part);
    // Cuts a field of this row to the matching part of limit, if it is larger.
    void clampField(LxTextField* field, double limit);
    // Fields and stepper on or off (the fields start off).
    void setEditable(bool on);

    // A field's edit is ending; false keeps it in editing. Unset: accepted.
    std::function<bool(LxTextField* field)> shouldEndEditing;
    // The stepper wrote into field; the row now holds the stepped time.
    std::function<void(LxTextField* field)> stepped;
    // A field of this row was clicked.
    std::function<void(LxTextField* field)> fieldClicked;

    void actionMouseDownForTextFieldBlock(LxTextField* field) override;

    // The integer at the start of a text (blanks skipped, optional sign); 0 otherwise.
    static long leadingNumber(const QString& text);
    // The four parts of a time in whole hundredths (negative times give zeros).
    static std::array<long, 4> parts(double seconds);

private:
    void editEnded(LxTextField* field);
    void stepperPressed(int value);

    Fields fields_{};
    std::array<QLabel*, 3> separators_{};
    TimeStepper* stepper_ = nullptr;
    int activePart_ = Seconds;
};

// The checks of a start row and an end row against each other and the duration D. Each
// reports through alert(key) with the existing messages, clamps the edited field where the
// message names a limit, and returns whether the rows now give a range that may be stored:
// 0 <= start < end <= D. Nothing is stored when they do not.
namespace timecheck {
using Alert = std::function<void(const char* key)>;
// A typed start below zero is refused with "showmessageTime4" (returns false).
bool startIsTypable(const TimeCodeRow& start, const Alert& alert);
// start >= end: "showmessageTime1", edited clamped against the end.
bool checkStart(TimeCodeRow& start, const TimeCodeRow& stop, LxTextField* edited, const Alert& alert,
                double* startOut);
// end > D: "showmessageTime2"; start >= end: "showmessageTime3"; edited clamped against the
// start, or D.
bool checkStop(const TimeCodeRow& start, TimeCodeRow& stop, double duration, LxTextField* edited,
               const Alert& alert, double* stopOut);
} // namespace timecheck
