// The finish message of the tool windows: the application icon, a title, one line of
// information, an "open folder" check box and an OK button, shown window-modal over the
// calling window (it never blocks in a nested event loop).
//
// Usage: create it over the caller's window, set the title and information keys (they are
// looked up in the strings table; a text that is no key shows itself) and the OK callback,
// place it, then open(). OK always closes the message, calls the callback first with the
// box's state, and the message then deletes itself: the caller keeps no reference.
#pragma once

#include "platform/Geometry.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QCheckBox;
class QDialog;
class QLabel;
class QPushButton;

class ZylOpenAlert : public QObject {
    Q_OBJECT
public:
    using OkBlock = std::function<void(bool openFolder)>;

    // The message over `callerWindow` (may be null: then it is modal to the application).
    explicit ZylOpenAlert(QWidget* callerWindow);
    ~ZylOpenAlert() override;

    void setWindowTitle(const QString& key) { m_windowTitle = key; }
    QString windowTitle() const { return m_windowTitle; }
    void setInfomation(const QString& key) { m_infomation = key; }
    QString infomation() const { return m_infomation; }
    void setSelectedOkBlock(OkBlock block) { m_selectedOkBlock = std::move(block); }

    // The message window, filled on first use.
    QDialog* window();
    QLabel* appIconView();
    QLabel* titleLabel();
    QCheckBox* openBtn();
    QPushButton* okBtn();

    // The message's size in points.
    static constexpr double kWidth = 338;
    static constexpr double kHeight = 114;
    // Where the message goes over a caller's frame: centred on it, after moving a caller
    // whose left edge lies left of the main screen's by one screen width.
    static NSRect frameOverWindow(const NSRect& callerFrame, const NSRect& mainScreenFrame);
    // Sizes the message and centres it over the caller's window.
    void placeOverCaller();

    // Shows the message window-modal over the caller and returns at once.
    void open();
    // The OK button: callback with the box's state, then close.
    void okAction();

private:
    void windowDidLoad();

    QPointer<QWidget> m_caller;
    QPointer<QDialog> m_window;
    QLabel* m_appIconView = nullptr;
    QLabel* m_titleLabel = nullptr;
    QCheckBox* m_openBtn = nullptr;
    QPushButton* m_okBtn = nullptr;
    QString m_windowTitle;
    QString m_infomation;
    OkBlock m_selectedOkBlock;
};
