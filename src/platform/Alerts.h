// Small message boxes that every window needs. They open window-modal over their parent
// (open(), never a blocking exec()), so the window's event loop keeps running and tests can
// answer them; the completion runs after the box has closed, however it was closed. The newest
// alert over a window has the keyboard, also on a display where the window under it was
// clicked or two alerts came at once.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <functional>

class Alerts {
public:
    // Where the one button of a plain alert gets its title when the caller names none (the
    // program's "OK" in the user's language, read at each alert); unset, Qt's own.
    static void setButtonTitle(std::function<QString()> title);
    // Titles the OK button of a box made elsewhere as above.
    static void titleOkButton(QMessageBox* box);

    // A warning with one OK button, titled `buttonTitle` when given. `done` (may be empty)
    // runs once after it closes. The box deletes itself when closed. With no parent it is an
    // ordinary top-level window.
    static QMessageBox* showWarning(QWidget* parent, const QString& message,
                                    const QString& informativeText = {}, std::function<void()> done = {},
                                    const QString& buttonTitle = {});
    // As above with an information icon.
    static QMessageBox* showInformation(QWidget* parent, const QString& message,
                                        const QString& informativeText = {}, std::function<void()> done = {},
                                        const QString& buttonTitle = {});

    // A question with two buttons: `goOnTitle` (the default) and `cancelTitle`. `answer` runs
    // once after it closes, with true only for the go-on button (Escape and closing the
    // box are the cancel answer).
    static QMessageBox* askQuestion(QWidget* parent, const QString& message, const QString& informativeText,
                                    const QString& goOnTitle, const QString& cancelTitle,
                                    std::function<void(bool goOn)> answer);

    // The most recently opened alert that is still open (the one on top), or null.
    static QMessageBox* currentAlert();
};
