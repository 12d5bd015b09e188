// The About box: the program's title and version, a line of further text, a homepage link, a
// support-mail link and OK. Every text and both addresses come from the localisation table.
// It opens application-modal without blocking and deletes itself when closed.
#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;
class ZylButton;
class ZylView;

class AboutUsWindowController : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 270;

    explicit AboutUsWindowController(QWidget* parent = nullptr);

    // The address the homepage link opens.
    static QUrl homepageURL();
    // "mailto:<address>?Subject= &body= " with every blank written as %20.
    static QUrl mailURL();

    ZylButton* middleLeftContentLabel() const { return middleLeftContentLabel_; }
    ZylButton* middleRightContentLabel() const { return middleRightContentLabel_; }
    ZylButton* okBtn() const { return okBtn_; }
    QLabel* aboutTitleLabel() const { return aboutTitleLabel_; }
    QLabel* aboutVersionLabel() const { return aboutVersionLabel_; }
    QLabel* bottomContentLabel() const { return bottomContentLabel_; }

private:
    void windowDidLoad();

    ZylView* contentBackView_ = nullptr;
    ZylView* topLine_ = nullptr;
    ZylView* bottomLine_ = nullptr;
    QLabel* aboutTitleLabel_ = nullptr;
    QLabel* aboutVersionLabel_ = nullptr;
    QLabel* bottomContentLabel_ = nullptr;
    ZylButton* middleLeftContentLabel_ = nullptr;
    ZylButton* middleRightContentLabel_ = nullptr;
    ZylButton* okBtn_ = nullptr;
};
