#include "tools/shared/TimeCodeRow.h"

#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "tools/shared/TimeStepper.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>

namespace {
// While a typed value is being checked, its alerts take the focus; the edit-end signal that
// this causes must not run the check a second time.
bool checking = false;

// The alert of the last refusal. Until it is answered, the focus moves between it and the
// window: every such move ends an edit, and none of them may be checked again.
QPointer<QMessageBox>& refusalAlert() {
    static QPointer<QMessageBox> box;
    return box;
}

bool refusalAlertOpen() {
    return refusalAlert() && refusalAlert()->isVisible();
}

struct RowGeometry {
    const char* picture;
    double fieldHeight;
    std::array<double, 4> fieldX;
    std::array<double, 4> fieldWidth;
    std::array<double, 3> separatorX;
};

RowGeometry geometryOf(TimeCodeRow::Style style) {
    // Evenly spaced: digits, a narrow separator, digits..., then the stepper to the end.
    if (style == TimeCodeRow::Style::Compact)
        return {"Cut/imgWelcome_center.bmp", 14, {0, 30, 60, 90}, {24, 24, 24, 24}, {24, 54, 84}};
    return {"Resources/trim_textfield.png", 18, {5, 38, 71, 104}, {27, 27, 27, 27}, {32, 65, 98}};
}

const char* const kFieldStyle = "QLineEdit { background: transparent; color: black; border: none; }"
                                " QLineEdit:disabled { color: rgb(173,173,173); }";
const char* const kSeparatorStyle = "QLabel { background: transparent; color: black; }"
                                    " QLabel:disabled { color: rgb(173,173,173); }";
} // namespace

TimeCodeRow::TimeCodeRow(QWidget* parent, const NSRect& frame, Style style) : QLabel(parent) {
    // A time reads hours : minutes : seconds . hundredths from the left in every language.
    setLayoutDirection(Qt::LeftToRight);
    geometry::setFrame(this, frame);
    const RowGeometry g = geometryOf(style);
    setPixmap(QPixmap::fromImage(NSBundle::imageWithfileName(g.picture)));
    setScaledContents(true);
    const double y = (frame.height - g.fieldHeight) / 2;
    // One font for the digits and the separators, the size of the window's time labels.
    QFont font = this->font();
    font.setPointSizeF(style == Style::Compact ? 9 : 11);
    const char* marks[3] = {":", ":", "."};
    for (int i = 0; i < 3; ++i) {
        auto* s = new QLabel(marks[i], this);
        geometry::setFrame(s, NSMakeRect(g.separatorX[size_t(i)], y, 6, g.fieldHeight));
        s->setAlignment(Qt::AlignCenter);
        s->setFont(font);
        s->setStyleSheet(kSeparatorStyle);
        separators_[size_t(i)] = s;
    }
    for (int i = 0; i < 4; ++i) {
        auto* field = new LxTextField(this);
        geometry::setFrame(field, NSMakeRect(g.fieldX[size_t(i)], y, g.fieldWidth[size_t(i)], g.fieldHeight));
        field->setAlignment(Qt::AlignCenter);
        field->setFrame(false);
        field->setFont(font);
        field->setStyleSheet(kFieldStyle);
        field->setText("00");
        field->setMaxLength(4);
        field->setMouseDelegate(this);
        // Return checks the row at once; the focus leaving a box is looked at once it has
        // settled (see eventFilter).
        connect(field, &QLineEdit::returnPressed, this, [this, field] { returnPressed(field); });
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, field] {
            edited_ = true;
            lastEdited_ = field;
        });
        // The stepper starts from what its field shows, typed or set.
        connect(field, &QLineEdit::textChanged, this, [this, i](const QString& text) {
            if (i == activePart_)
                stepper_->setValue(int(std::clamp(leadingNumber(text), 0L, long(stepper_->maximum()))));
        });
        fields_[size_t(i)] = field;
    }
    // The stepper fills the row's end after the last field, so no blank strip is left there.
    const double stepperX = g.fieldX[3] + g.fieldWidth[3];
    stepper_ = new TimeStepper(this);
    geometry::setFrame(stepper_, NSMakeRect(stepperX, 0, frame.width - stepperX, frame.height));
    connect(stepper_, &TimeStepper::stepped, this, &TimeCodeRow::stepperPressed);
    setEditable(false);
}

TimeCodeRow::~TimeCodeRow() = default;

bool TimeCodeRow::contains(const QObject* field) const {
    return partOf(field) >= 0;
}

int TimeCodeRow::partOf(const QObject* field) const {
    for (int i = 0; i < 4; ++i)
        if (fields_[size_t(i)] == field)
            return i;
    return -1;
}

long TimeCodeRow::leadingNumber(const QString& text) {
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?\\d{1,9})"));
    const auto m = leading.match(text);
    return m.hasMatch() ? m.captured(1).toLong() : 0;
}

std::array<long, 4> TimeCodeRow::parts(double seconds) {
    const HelpClass::TimeParts p = HelpClass::splitTime(seconds);
    return {long(p.hours), long(p.minutes), long(p.seconds), long(p.hundredths)};
}

double TimeCodeRow::time() const {
    // Each field holds at most nine digits, which a double holds exactly.
    const auto number = [this](int part) { return double(leadingNumber(field(part)->text())); };
    return number(0) * 3600.0 + number(1) * 60.0 + number(2) + number(3) / 100.0;
}

void TimeCodeRow::setTime(double seconds) {
    const std::array<long, 4> p = parts(seconds);
    for (int i = 0; i < 4; ++i)
        fields_[size_t(i)]->setText(QString::asprintf("%02ld", p[size_t(i)]));
    shown_ = time();
    edited_ = false;
    lastEdited_ = nullptr;
}

void TimeCodeRow::setActivePart(int part) {
    if (part < 0 || part > 3)
        return;
    activePart_ = part;
    stepper_->setMaximum(part == Hundredths ? 99 : 59);
    stepper_->setValue(int(std::clamp(leadingNumber(activeField()->text()), 0L, long(stepper_->maximum()))));
}

void TimeCodeRow::clampField(LxTextField* field, double limit) {
    const int part = partOf(field);
    if (part < 0)
        return;
    const long cap = parts(limit)[size_t(part)];
    field->setText(QString::asprintf("%02ld", std::min(leadingNumber(field->text()), cap)));
}

void TimeCodeRow::setEditable(bool on) {
    for (LxTextField* f : fields_)
        f->setEnabled(on);
    for (QLabel* s : separators_)
        s->setEnabled(on);
    stepper_->setEnabled(on);
}

void TimeCodeRow::actionMouseDownForTextFieldBlock(LxTextField* field) {
    const int part = partOf(field);
    if (part < 0)
        return;
    // The click makes the field the one being edited; typing then replaces its value.
    if (field->isEnabled()) {
        field->setFocus(Qt::MouseFocusReason);
        field->selectAll();
    }
    setActivePart(part);
    if (fieldClicked)
        fieldClicked(field);
}

bool TimeCodeRow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && edited_ && contains(watched)) {
        // A click on another box of the row may first give the focus to the window (the
        // nearest parent that takes focus on a click) and only then to the box: with the focus
        // on a parent, the row is left only if it is still outside once the press is handled.
        // The queued call comes before anything the press itself queues.
        const QWidget* now = window()->focusWidget();
        if (now && now->isAncestorOf(this))
            QMetaObject::invokeMethod(
                this, [this] { focusMayHaveLeft(); }, Qt::QueuedConnection);
        else
            focusMayHaveLeft();
    }
    return QLabel::eventFilter(watched, event);
}

void TimeCodeRow::returnPressed(LxTextField* field) {
    if (checking || refusalAlertOpen() || !edited_)
        return;
    commit(field);
}

void TimeCodeRow::focusMayHaveLeft() {
    // A window closing takes the focus away too; nothing is checked then.
    if (checking || refusalAlertOpen() || !edited_ || !window()->isVisible())
        return;
    // The window's own focus: another window or an alert taking the keyboard leaves it on
    // the box, and the row is not left by that.
    const QWidget* now = window()->focusWidget();
    if (now && contains(now))
        return;
    commit(lastEdited_ ? lastEdited_ : activeField());
}

bool TimeCodeRow::commit(LxTextField* leaving) {
    // The check and the focus after a refusal concern the box typed into last.
    LxTextField* field = lastEdited_ ? lastEdited_ : leaving;
    edited_ = false;
    lastEdited_ = nullptr;
    if (!shouldEndEditing) {
        shown_ = time();
        return true;
    }
    QMessageBox* before = Alerts::currentAlert();
    checking = true;
    const bool accepted = shouldEndEditing(field);
    checking = false;
    if (accepted) {
        shown_ = time();
        return true;
    }
    // A refused time is not left on screen as if it were stored.
    setTime(shown_);
    QPointer<LxTextField> target(field);
    const auto backToField = [target] {
        if (target && target->isEnabled() && target->isVisible()) {
            // The keyboard comes back from the alert to the window, and in it to the field.
            target->activateWindow();
            target->setFocus(Qt::OtherFocusReason);
            target->selectAll();
        }
    };
    QMessageBox* box = Alerts::currentAlert();
    if (box && box != before) {
        refusalAlert() = box;
        connect(box, &QDialog::finished, field, backToField);
    } else {
        QTimer::singleShot(0, field, backToField);
    }
    return false;
}

bool TimeCodeRow::commitTyping(QWidget* window) {
    // A refusal still being answered: nothing typed is stored yet.
    if (refusalAlertOpen())
        return false;
    if (!window || checking)
        return true;
    for (TimeCodeRow* row : window->findChildren<TimeCodeRow*>())
        if (row->edited_)
            return row->commit(row->lastEdited_ ? row->lastEdited_ : row->activeField());
    return true;
}

void TimeCodeRow::stepperPressed(int value) {
    LxTextField* field = activeField();
    field->setText(QString::asprintf("%02ld", long(value)));
    if (!stepped)
        return;
    checking = true;
    stepped(field);
    checking = false;
    // The handler stored the time or put the stored one back: either is what the row shows.
    shown_ = time();
    edited_ = false;
    lastEdited_ = nullptr;
}

namespace timecheck {

bool startIsTypable(const TimeCodeRow& start, const Alert& alert) {
    if (start.time() >= 0)
        return true;
    alert("showmessageTime4");
    return false;
}

bool checkStart(TimeCodeRow& start, const TimeCodeRow& stop, LxTextField* edited, const Alert& alert,
                double* startOut) {
    double s = start.time();
    const double e = stop.time();
    if (s >= e) {
        alert("showmessageTime1");
        start.clampField(edited, e);
        s = start.time();
    }
    if (!(s >= 0 && s < e))
        return false;
    *startOut = s;
    return true;
}

bool checkStop(const TimeCodeRow& start, TimeCodeRow& stop, double duration, LxTextField* edited,
               const Alert& alert, double* stopOut) {
    double e = stop.time();
    const double s = start.time();
    // One message per check: an end not after the start says so first.
    double limit = -1;
    if (s >= e) {
        alert("showmessageTime3");
        limit = s;
    } else if (e > duration) {
        alert("showmessageTime2");
        limit = duration;
    }
    if (limit >= 0) {
        stop.clampField(edited, limit);
        e = stop.time();
    }
    if (!(e > s && e > 0 && e <= duration))
        return false;
    *stopOut = e;
    return true;
}

} // namespace timecheck
