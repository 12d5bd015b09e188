// Small message boxes that every window needs. They open window-modal over their parent
// (open(), never a blocking exec()), so the window's event loop keeps running and tests can
// answer them; the completion runs after the box has closed, however it was closed.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <functional>

class Alerts {
public:
    // A warning with one OK button. `done` (may be empty) runs once after it closes. The box
    // deletes itself when closed. With no parent it is an ordinary top-level window.
    static QMessageBox* showWarning(QWidget* parent, const QString& message,
                                    const QString& informativeText = {}, std::function<void()> done = {});
    // As above with an information icon.
    static QMessageBox* showInformation(QWidget* parent, const QString& message,
                                        const QString& informativeText = {}, std::function<void()> done = {});

    // The most recently opened alert that is still open, or null (tests).
    static QMessageBox* currentAlert();
};
