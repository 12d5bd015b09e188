#include "platform/Alerts.h"

#include "platform/Log.h"

#include <QPushButton>

namespace {

QPointer<QMessageBox>& lastAlert() {
    static QPointer<QMessageBox> p;
    return p;
}

std::function<QString()>& buttonTitleSource() {
    static std::function<QString()> source;
    return source;
}

// Opens an alert on its window and gives it the keyboard, so that Return and Escape answer
// it, whatever had the focus when it came.
void present(QMessageBox* box) {
    lastAlert() = box;
    box->open();
    box->raise();
    box->activateWindow();
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
    QMessageBox* box = lastAlert();
    return box && box->isVisible() ? box : nullptr;
}
