// The time-code rows through their own widgets: typed values and the stepper, the checks of
// a start row against an end row (messages, clamps, refusals), and the stepper that can be
// seen and aimed at.
#include "ToolWindowDriver.h"
#include "platform/Alerts.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/TimeStepper.h"

#include <QWidget>

namespace {

using tooltest::click;
using tooltest::openAlert;
using tooltest::settle;
using tooltest::typeField;

// A start row and an end row checked against a duration the way a trim area checks them;
// what is stored and the messages shown are recorded.
struct Rows {
    explicit Rows(double duration) : d(duration) {
        panel.resize(400, 100);
        start = new TimeCodeRow(&panel, NSMakeRect(10, 60, 151, 26));
        stop = new TimeCodeRow(&panel, NSMakeRect(10, 20, 151, 26));
        for (TimeCodeRow* r : {start, stop})
            r->setEditable(true);
        start->setTime(0);
        stop->setTime(d);
        const timecheck::Alert alert = [this](const char* key) { messages << key; };
        start->shouldEndEditing = [this, alert](LxTextField* f) {
            if (!timecheck::startIsTypable(*start, alert))
                return false;
            double s = 0;
            if (timecheck::checkStart(*start, *stop, f, alert, &s))
                storedStart = s;
            return true;
        };
        stop->shouldEndEditing = [this, alert](LxTextField* f) {
            double e = 0;
            if (timecheck::checkStop(*start, *stop, d, f, alert, &e))
                storedStop = e;
            return true;
        };
        start->stepped = [this](LxTextField* f) { start->shouldEndEditing(f); };
        stop->stepped = [this](LxTextField* f) { stop->shouldEndEditing(f); };
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }
    // Focuses the field first (ending the edit of the field that had the focus), then types
    // the value and ends the edit with Return; only what that edit caused is recorded.
    void type(LxTextField* field, const QString& value) {
        field->setFocus();
        settle();
        messages.clear();
        storedStart = storedStop = -1;
        typeField(field, value);
    }
    QStringList text(const TimeCodeRow* r) const {
        QStringList t;
        for (LxTextField* f : r->fields())
            t << f->text();
        return t;
    }

    QWidget panel;
    TimeCodeRow* start;
    TimeCodeRow* stop;
    double d;
    QStringList messages;
    double storedStart = -1, storedStop = -1;
};

TEST(TimeCodeRow, ReadsAndWritesWholeHundredths) {
    Rows rows(100);
    rows.start->setTime(1.29);
    EXPECT_EQ(rows.text(rows.start), (QStringList{"00", "00", "01", "29"}));
    rows.start->setTime(3723.5);
    EXPECT_EQ(rows.text(rows.start), (QStringList{"01", "02", "03", "50"}));
    EXPECT_DOUBLE_EQ(rows.start->time(), 3723.5);
    rows.start->setTime(-1.5);
    EXPECT_EQ(rows.text(rows.start), (QStringList{"00", "00", "00", "00"}));
    // Parts above their unit count as typed; text without a leading number is 0.
    rows.start->field(TimeCodeRow::Seconds)->setText("75");
    rows.start->field(TimeCodeRow::Minutes)->setText("x");
    EXPECT_DOUBLE_EQ(rows.start->time(), 75);
}

TEST(TimeCodeRow, TypedValuesAreCheckedClampedOrRefusedAndOnlyValidRangesStored) {
    Rows rows(60);
    rows.stop->setTime(5);
    // A start after the end: one message, the typed field cut to the end's seconds; a start
    // equal to the end is not stored.
    rows.type(rows.start->field(TimeCodeRow::Seconds), "20");
    EXPECT_EQ(rows.messages, QStringList{"showmessageTime1"});
    EXPECT_EQ(rows.start->field(TimeCodeRow::Seconds)->text(), "05");
    EXPECT_DOUBLE_EQ(rows.storedStart, -1);

    // An end past the duration, with the start before it: the typed field is cut to the
    // duration's part; 00:01:05 is still past it, so nothing is stored until the row is valid.
    rows.start->setTime(0);
    rows.type(rows.stop->field(TimeCodeRow::Minutes), "03");
    EXPECT_EQ(rows.messages, QStringList{"showmessageTime2"});
    EXPECT_EQ(rows.stop->field(TimeCodeRow::Minutes)->text(), "01");
    EXPECT_DOUBLE_EQ(rows.storedStop, -1);
    rows.type(rows.stop->field(TimeCodeRow::Seconds), "00");
    EXPECT_TRUE(rows.messages.isEmpty());
    EXPECT_DOUBLE_EQ(rows.storedStop, 60);

    // An end past the duration with the start even later: one message, clamped to the start.
    rows.start->setTime(3 * 3600 + 40);
    rows.stop->setTime(10);
    rows.type(rows.stop->field(TimeCodeRow::Hours), "02");
    EXPECT_EQ(rows.messages, QStringList{"showmessageTime3"});
    EXPECT_EQ(rows.stop->field(TimeCodeRow::Hours)->text(), "02") << "clamped against the start";
    EXPECT_DOUBLE_EQ(rows.storedStop, -1);

    // A negative start is refused: the field keeps the focus until corrected.
    rows.start->setTime(0);
    rows.stop->setTime(30);
    LxTextField* hours = rows.start->field(TimeCodeRow::Hours);
    rows.type(hours, "-1");
    EXPECT_EQ(rows.messages, QStringList{"showmessageTime4"});
    EXPECT_TRUE(hours->hasFocus());
    EXPECT_DOUBLE_EQ(rows.storedStart, -1);
}

TEST(TimeCodeRow, TheStepperIsDrawnFillsTheRowsEndAndStepsOnlyItsOwnRow) {
    Rows rows(7200);
    TimeStepper* stepper = rows.start->stepper();
    LxTextField* last = rows.start->field(TimeCodeRow::Hundredths);
    // No blank strip at the row's right end: the stepper begins where the last field ends.
    EXPECT_EQ(stepper->geometry().left(), last->geometry().right() + 1);
    EXPECT_EQ(stepper->geometry().right(), rows.start->width() - 1);
    EXPECT_TRUE(stepper->isVisible());
    // It can be seen: its arrows are drawn in a dark colour on the light row.
    const QImage look = stepper->grab().toImage();
    int dark = 0;
    for (int y = 0; y < look.height(); ++y)
        for (int x = 0; x < look.width(); ++x)
            dark += qGray(look.pixel(x, y)) < 100;
    EXPECT_GT(dark, 6);

    // A click on a field of the end row, then the start row's stepper: only the start row
    // changes, at the part of its own active field (seconds until one was clicked).
    click(rows.stop->field(TimeCodeRow::Minutes));
    const QStringList stopBefore = rows.text(rows.stop);
    click(stepper, QPoint(stepper->width() / 2, 3));
    EXPECT_EQ(rows.text(rows.stop), stopBefore);
    EXPECT_EQ(rows.start->field(TimeCodeRow::Seconds)->text(), "01");
    EXPECT_DOUBLE_EQ(rows.storedStart, 1);

    // Down from 0 wraps to 59; the hundredths run to 99.
    click(rows.start->field(TimeCodeRow::Minutes));
    click(stepper, QPoint(stepper->width() / 2, stepper->height() - 3));
    EXPECT_EQ(rows.start->field(TimeCodeRow::Minutes)->text(), "59");
    EXPECT_DOUBLE_EQ(rows.storedStart, 59 * 60 + 1);
    click(rows.start->field(TimeCodeRow::Hundredths));
    click(stepper, QPoint(stepper->width() / 2, stepper->height() - 3));
    EXPECT_EQ(rows.start->field(TimeCodeRow::Hundredths)->text(), "99");
}

TEST(TimeCodeRow,
     ATypedTimeIsCheckedOnceAsAWholeARefusalShowsTheStoredTimeAndSteppersStartFromTheShownValue) {
    Rows rows(120);
    rows.start->setTime(40);
    rows.stop->setTime(90);
    QStringList checked;
    rows.stop->shouldEndEditing = [&](LxTextField*) {
        checked << QString::number(rows.stop->time());
        return rows.stop->time() > rows.start->time();
    };
    // 01:30 to 00:50, minutes first: moving on to the seconds is no check; leaving the row is.
    LxTextField* minutes = rows.stop->field(TimeCodeRow::Minutes);
    LxTextField* seconds = rows.stop->field(TimeCodeRow::Seconds);
    click(minutes);
    minutes->selectAll();
    QTest::keyClicks(minutes, "00");
    QTest::keyClick(minutes, Qt::Key_Tab);
    settle();
    ASSERT_TRUE(seconds->hasFocus());
    QTest::keyClicks(seconds, "50");
    EXPECT_TRUE(checked.isEmpty());
    click(rows.start->field(TimeCodeRow::Seconds));
    EXPECT_EQ(checked, QStringList{"50"});

    // A refused time goes back to the one shown before, and the field stays in editing.
    checked.clear();
    click(seconds);
    typeField(seconds, "10");
    EXPECT_EQ(checked, QStringList{"10"});
    EXPECT_EQ(rows.text(rows.stop), (QStringList{"00", "00", "50", "00"}));
    EXPECT_TRUE(seconds->hasFocus());

    // The stepper steps from the value typed, not from the one the field had when clicked.
    rows.start->setTime(5);
    click(seconds);
    seconds->selectAll();
    QTest::keyClicks(seconds, "12");
    TimeStepper* stepper = rows.stop->stepper();
    click(stepper, QPoint(stepper->width() / 2, stepper->height() - 3));
    EXPECT_EQ(seconds->text(), "11");
}

TEST(TimeCodeRow, BoxesOfARowAreOneEditByClickOrTabAndLeavingItChecksOnceWithOneAlertThatHasTheKeyboard) {
    Rows rows(60);
    // The window takes the keyboard on a click, as a window with transport keys does.
    rows.panel.setFocusPolicy(Qt::StrongFocus);
    rows.panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rows.panel));
    rows.start->setTime(10);
    int checks = 0;
    rows.stop->shouldEndEditing = [&](LxTextField*) {
        ++checks;
        if (rows.stop->time() > rows.start->time())
            return true;
        Alerts::showWarning(&rows.panel, QStringLiteral("refused"));
        return false;
    };
    LxTextField* minutes = rows.stop->field(TimeCodeRow::Minutes);
    LxTextField* seconds = rows.stop->field(TimeCodeRow::Seconds);
    LxTextField* hundredths = rows.stop->field(TimeCodeRow::Hundredths);
    const auto tabOutFromSeconds = [&] {
        QTest::keyClick(seconds, Qt::Key_Tab);
        QTest::keyClick(hundredths, Qt::Key_Tab);
        settle(100);
    };
    // 01:00 to 00:30: the minutes, a click on the seconds (00:00 alone would be refused), then
    // Tab out of the row past the untouched hundredths.
    click(minutes);
    QTest::keyClicks(minutes, "00");
    click(seconds);
    EXPECT_EQ(checks, 0);
    ASSERT_TRUE(seconds->hasFocus());
    QTest::keyClicks(seconds, "30");
    tabOutFromSeconds();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(openAlert(), nullptr);
    EXPECT_EQ(rows.text(rows.stop), (QStringList{"00", "00", "30", "00"}));

    // A refused end: one alert with the keyboard, Return answers it, the row shows the stored
    // end and the box is edited again.
    click(seconds);
    QTest::keyClicks(seconds, "05");
    tabOutFromSeconds();
    EXPECT_EQ(checks, 2);
    QMessageBox* box = openAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QApplication::activeWindow(), box);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle(100);
    EXPECT_EQ(openAlert(), nullptr);
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(rows.text(rows.stop), (QStringList{"00", "00", "30", "00"}));
    EXPECT_TRUE(seconds->hasFocus());
}

} // namespace
