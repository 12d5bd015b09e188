#include "platform/Alerts.h"

#include "platform/Log.h"

#include <QApplication>
#include <QList>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

namespace {

std::function<QString()>& buttonTitleSource() {
    static std::function<QString()> source;
    return source;
}

// The alerts open now, oldest first. One action may open two (a refusal and a warning, or a
// question while another is open): the newest is on top and has the keyboard.
QList<QPointer<QMessageBox>>& openAlerts() {
    static QList<QPointer<QMessageBox>> alerts;
    return alerts;
}

// Those still open, oldest first.
QList<QPointer<QMessageBox>>& stillOpen() {
    QList<QPointer<QMessageBox>>& open = openAlerts();
    open.removeIf([](const QPointer<QMessageBox>& b) { return !b || !b->isVisible(); });
    return open;
}

// The window an alert was opened over; null for one without a parent, which blocks nothing.
QWidget* ownerOf(const QMessageBox* box) {
    return box->parentWidget() ? box->parentWidget()->window() : nullptr;
}

// The newest alert still open over `owner`, or null.
QMessageBox* topAlertOver(const QWidget* owner) {
    if (!owner)
        return nullptr;
    const QList<QPointer<QMessageBox>>& open = stillOpen();
    for (auto it = open.crbegin(); it != open.crend(); ++it)
        if (ownerOf(*it) == owner)
            return *it;
    return nullptr;
}

void takeKeyboard(QWidget* window) {
    window->raise();
    window->activateWindow();
}

// The keyboard belongs to the newest alert over a window: the window and the alerts under it
// are blocked, and a key that reaches them is dropped. On an X display it often goes there all
// the same: the activation a new alert asks for is undone when a second one opens in the same
// turn (the toolkit hands the focus of an alert that another blocks to the window under both),
// a click on the window behind an alert activates that window, and without a window manager
// the focus falls back to no window at all when an alert closes. So the alert on top takes the
// keyboard when it opens, when the one over it closes, and whenever the keyboard lands on a
// window it blocks; with `orOwner`, once the last one has closed, the window has it back
// (unless another alert has come meanwhile, over any window).
// Queued, after the activation changes of the same turn.
void keyboardToTop(const QPointer<QWidget>& owner, bool orOwner = false) {
    QTimer::singleShot(0, [owner, orOwner] {
        QWidget* top = topAlertOver(owner);
        if (!top && orOwner && owner && owner->isVisible() && stillOpen().isEmpty())
            top = owner;
        if (top && QApplication::activeWindow() != top)
            takeKeyboard(top);
    });
}

// The keyboard has just gone to a window of the program: if that window has alerts open over
// it, or is an alert under another, the alert on top takes it.
void keyboardMoved() {
    QWidget* active = QApplication::activeWindow();
    auto* box = qobject_cast<QMessageBox*>(active);
    keyboardToTop(box && stillOpen().contains(box) ? ownerOf(box) : active);
}

// Opens an alert on its window and gives it the keyboard, so that Return and Escape answer
// it, whatever had the focus when it came.
void present(QMessageBox* box) {
    static const QMetaObject::Connection watch = QObject::connect(
        qApp, &QGuiApplication::focusWindowChanged, qApp, [] { QTimer::singleShot(0, keyboardMoved); });
    stillOpen().append(box);
    // After the caller's completion, which may open the next alert itself. A closing alert has
    // just let the keyboard go; one closed while another window had it leaves it there.
    QObject::connect(box, &QDialog::finished, box, [box] {
        const QWidget* active = QApplication::activeWindow();
        keyboardToTop(ownerOf(box), !active || active == box);
    });
    box->open();
    takeKeyboard(box);
}

QMessageBox* showBox(QMessageBox::Icon icon, QWidget* parent, const QString& message,
                     const QString& informative, std::function<void()> done, const QString& buttonTitle) {
    auto* box = new QMessageBox(icon, QString(), message, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (buttonTitle.isEmpty())
        Alerts::titleOkButton(box);
    else
        box->button(QMessageBox::Ok)->setText(buttonTitle);
    if (!informative.isEmpty())
        box->setInformativeText(informative);
    if (parent)
        box->setWindowModality(Qt::WindowModal);
    // finished() comes once for OK, Escape and closing the window alike.
    QObject::connect(box, &QDialog::finished, box, [done = std::move(done)](int) {
        if (done)
            done();
    });
    qCDebug(lcApp).noquote() << "alert:" << message;
    present(box);
    return box;
}

} // namespace

void Alerts::setButtonTitle(std::function<QString()> title) {
    buttonTitleSource() = std::move(title);
}

void Alerts::titleOkButton(QMessageBox* box) {
    QAbstractButton* ok = box ? box->button(QMessageBox::Ok) : nullptr;
    if (ok && buttonTitleSource())
        ok->setText(buttonTitleSource()());
}

QMessageBox* Alerts::showWarning(QWidget* parent, const QString& message, const QString& informativeText,
                                 std::function<void()> done, const QString& buttonTitle) {
    return showBox(QMessageBox::Warning, parent, message, informativeText, std::move(done), buttonTitle);
}

QMessageBox* Alerts::showInformation(QWidget* parent, const QString& message, const QString& informativeText,
                                     std::function<void()> done, const QString& buttonTitle) {
    return showBox(QMessageBox::Information, parent, message, informativeText, std::move(done), buttonTitle);
}

QMessageBox* Alerts::askQuestion(QWidget* parent, const QString& message, const QString& informativeText,
                                 const QString& goOnTitle, const QString& cancelTitle,
                                 std::function<void(bool goOn)> answer) {
    auto* box = new QMessageBox(QMessageBox::Question, QString(), message, QMessageBox::NoButton, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (!informativeText.isEmpty())
        box->setInformativeText(informativeText);
    if (parent)
        box->setWindowModality(Qt::WindowModal);
    QPushButton* goOn = box->addButton(goOnTitle, QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(cancelTitle, QMessageBox::RejectRole);
    box->setDefaultButton(goOn);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QDialog::finished, box, [box, goOn, answer = std::move(answer)](int) {
        if (answer)
            answer(box->clickedButton() == goOn);
    });
    qCDebug(lcApp).noquote() << "question:" << message;
    present(box);
    return box;
}

QMessageBox* Alerts::currentAlert() {
    const QList<QPointer<QMessageBox>>& open = openAlerts();
    for (auto it = open.crbegin(); it != open.crend(); ++it)
        if (*it && (*it)->isVisible())
            return *it;
    return nullptr;
}
