#include "platform/Alerts.h"

#include "platform/Log.h"

#include <QApplication>
#include <QList>
#include <QPushButton>
#include <QTimer>

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

void takeKeyboard(QMessageBox* box) {
    box->raise();
    box->activateWindow();
}

// Once an alert has closed, the newest of those still open takes the keyboard back; without
// that it would stay with the window under them, which an open alert blocks, and no key would
// answer anything. Queued, so that it comes after the closing's own activation changes.
void handOnKeyboard() {
    QTimer::singleShot(0, [] {
        const QList<QPointer<QMessageBox>>& open = stillOpen();
        if (!open.isEmpty() && QApplication::activeWindow() != open.last())
            takeKeyboard(open.last());
    });
}

// Opens an alert on its window and gives it the keyboard, so that Return and Escape answer
// it, whatever had the focus when it came.
void present(QMessageBox* box) {
    stillOpen().append(box);
    // After the caller's completion, which may open the next alert itself.
    QObject::connect(box, &QDialog::finished, box, [] { handOnKeyboard(); });
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
