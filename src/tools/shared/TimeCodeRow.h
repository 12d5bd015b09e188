// A row of four time-code fields (hours : minutes : seconds . hundredths) on its background
// picture, with a visible stepper at its right end; and the checks that two such rows, a
// start and an end, make on every value they store.
//
// A click on a field makes it the row's active field; the stepper always starts from the
// number that field shows. A press on the stepper writes the stepped value into the active
// field of this row only (the seconds field until one was clicked) and reports it.
//
// A typed time is checked as a whole, once: when Return is pressed or the focus leaves the
// row (by Tab from any of its boxes, a click elsewhere), not while the user moves between its
// four boxes, by Tab or by a click. shouldEndEditing decides; when it refuses, the row shows
// again the time it showed before the typing (the stored one), the refusal's alert takes the
// keyboard and the field takes the focus back once the alert is answered. While that alert
// is open no row checks anything, so the focus moving to and from the alert raises no second
// one. Every window's time rows are this row, so they all behave alike.
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
    // Whether a field was typed into since the row last showed a time.
    bool isEdited() const { return edited_; }
    // Checks a time still being typed in a row of window, before an action that reads the
    // stored times (the press that starts it may not have ended the typing). False when it
    // was refused, or a refusal is still being answered.
    static bool commitTyping(QWidget* window);

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void returnPressed(LxTextField* field);
    void focusMayHaveLeft();
    bool commit(LxTextField* leaving);
    void stepperPressed(int value);

    Fields fields_{};
    std::array<QLabel*, 3> separators_{};
    TimeStepper* stepper_ = nullptr;
    int activePart_ = Seconds;
    // The time the row showed before the typing: what a refusal goes back to.
    double shown_ = 0;
    bool edited_ = false;
    LxTextField* lastEdited_ = nullptr;
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
// start >= end: "showmessageTime3", else end > D: "showmessageTime2" (one message); edited
// clamped against the start, or D.
bool checkStop(const TimeCodeRow& start, TimeCodeRow& stop, double duration, LxTextField* edited,
               const Alert& alert, double* stopOut);
} // namespace timecheck
