// The prompt for the name of a new user-made output profile, opened by the settings window
// after it closed itself. OK with a usable name announces NSAddPfFileNotification (see
// AddPfFileNotification.h) with the name and `customValue`, then closes; an empty name does
// nothing; a name that cannot be a file name is refused with a message; an existing
// profile of that name is replaced only after the user agrees. Cancel closes and announces
// nothing. Opened window-modal with open(). GUI thread only.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

class InputFileNameWindowController : public QDialog {
    Q_OBJECT
public:
    explicit InputFileNameWindowController(QWidget* parent = nullptr);
    ~InputFileNameWindowController() override;

    // Builds the views on the first call and returns the window (this dialog).
    QDialog* window();

    void setCustomValue(const QString& value) { customValue_ = value; }
    const QString& customValue() const { return customValue_; }

    void actionOkBtn();
    void actionCancelBtn();

    QLabel* tisiLabel() const { return tisiLabel_; }
    QLineEdit* nameNameField() const { return nameNameField_; }
    QPushButton* okBtn() const { return okBtn_; }
    QPushButton* cancelBtn() const { return cancelBtn_; }
    // The message open over the prompt (refused name, replace question), while it lives.
    QMessageBox* message() const { return message_; }

private:
    void windowDidLoad();
    void announce(const QString& name);

    QString customValue_;
    QLabel* tisiLabel_ = nullptr;
    QLineEdit* nameNameField_ = nullptr;
    QPushButton* okBtn_ = nullptr;
    QPushButton* cancelBtn_ = nullptr;
    QPointer<QMessageBox> message_;
    bool loaded_ = false;
};
