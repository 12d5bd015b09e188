// The output-format settings window: eight pop-ups (video codec, frame size, frame rate,
// video bit rate; audio codec, channels, sample rate, audio bit rate) filled from one
// profile, custom frame size and bit-rate fields, and a Default button.
//
// Every pick is stored at once in the user defaults under the key family of the opener (the
// joiner's "vcodecSelectTitle"..., the editor's "vcodec_SelectTitle"...); there is no OK or
// Cancel. The opener is then told which parameter changed through the select callback (its
// mask, see ProfileParameters.h) or, after Default, through the setting callback, and
// reads the keys back itself.
//
// Opening order: construct; setJoinner (joiner only); setFileType; window() (builds the
// views); give the window its frame; setPfPath; the two callbacks; displayViewChildes();
// then open() it (window-modal). Closing ends the run. GUI thread only.
#pragma once

#include "platform/Geometry.h"
#include "profiles/ProfileParameters.h"

#include <QDialog>
#include <QFrame>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SimpleData;
class InputFileNameWindowController;

class SettingWindowController : public QDialog {
    Q_OBJECT
public:
    explicit SettingWindowController(QWidget* parent = nullptr);
    ~SettingWindowController() override;

    void setJoinner(bool joinner) { joinner_ = joinner; }
    bool joinner() const { return joinner_; }
    void setAdvanced(bool advanced) { advanced_ = advanced; }
    bool advanced() const { return advanced_; }
    // 1 video profile, 2 audio profile (no video box). Set before window().
    void setFileType(long fileType) { fileType_ = fileType; }
    long fileType() const { return fileType_; }
    void setPfPath(const QString& path) { pfPath_ = path; }
    const QString& pfPath() const { return pfPath_; }
    void setFunctionItemTitle(const QString& title) { functionItemTitle_ = title; }
    // The source whose values Default takes where the profile keeps the source's.
    void setSimpdata(std::shared_ptr<SimpleData> data);
    void setSelectSettingCallbackBlock(std::function<void(long)> block) {
        selectSettingCallbackBlock_ = std::move(block);
    }
    void setSettingCallbackBlock(std::function<void()> block) { settingCallbackBlock_ = std::move(block); }

    // Builds the views on the first call and returns the window (this dialog).
    QDialog* window();
    // Fills every pop-up from the profile and the stored choices.
    void displayViewChildes();
    // Default: the profile's own choices, stored, then the setting callback.
    void actiondefaultBtn();
    // Hands over to the profile name prompt: closes this window and opens the prompt.
    void actionCreateCustomBtn();

    // The first decimal number of a text as "%.2f"; "0" when there is none.
    static QString numForStringValue(const QString& text);

    // The views, for the opener's layout and for tests. Video views are null for audio profiles.
    QComboBox* popUp(profiles::ParameterIndex index) const { return popUps_[index]; }
    QLineEdit* customWidth() const { return customWidth_; }
    QLineEdit* customHeight() const { return customHeight_; }
    QLabel* sp() const { return sp_; }
    QLineEdit* customVideoBit() const { return customVideoBit_; }
    QPushButton* defaultBtn() const { return defaultBtn_; }
    QPushButton* createCustomBtn() const { return createCustomBtn_; }
    QWidget* videoBackView() const { return videoBackView_; }
    QWidget* audioBackView() const { return audioBackView_; }
    // The prompt opened by actionCreateCustomBtn, while it lives.
    InputFileNameWindowController* namePrompt() const { return namePrompt_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void windowDidLoad();
    QFrame* buildBox(const NSRect& frame, int firstParameter, const std::array<QString, 4>& labels);
    int labelRoomNeeded() const;
    NSRect customButtonFrame(int windowWidth) const;
    void place(QWidget* widget, const NSRect& frame);
    void setViewChildes();
    void readProfile();
    void buildMenus(bool codecKeepRows);
    void fillPopUp(int index, bool codecKeepRows);
    void touchUpInslide(int index, int row);
    void customValueChange(QLineEdit* field);
    void defaultSettings();
    void updateCustomFields();
    void layoutForWidth(int width);
    bool storedChoiceIsCustom(int index) const;
    bool isKeepOriginalProfile() const;
    QString resolvedPfPath() const;
    QString keepOriginalTitle() const;
    QString storedValueForRow(int index, const QString& shownTitle) const;
    std::optional<QString> sourceValue(int index) const;
    void store(const QString& key, const QString& value);

    bool joinner_ = false;
    bool advanced_ = false;
    long fileType_ = 1;
    QString pfPath_;
    QString functionItemTitle_;
    std::shared_ptr<SimpleData> simpdata_;
    std::function<void(long)> selectSettingCallbackBlock_;
    std::function<void()> settingCallbackBlock_;

    bool loaded_ = false;
    int labelExtra_ = 0; // added to the label column (and the window) for long translations
    std::array<std::optional<QStringList>, 8> options_;
    std::array<QString, 8> titles_;
    std::array<QComboBox*, 8> popUps_{};
    QWidget* customView_ = nullptr;
    QFrame* videoBackView_ = nullptr;
    QFrame* audioBackView_ = nullptr;
    QLineEdit* customWidth_ = nullptr;
    QLabel* sp_ = nullptr;
    QLineEdit* customHeight_ = nullptr;
    QLineEdit* customVideoBit_ = nullptr;
    QPushButton* defaultBtn_ = nullptr;
    QPushButton* createCustomBtn_ = nullptr;
    // Views placed by bottom-left frames in the content view, placed again when it resizes.
    std::vector<std::pair<QWidget*, NSRect>> placed_;
    QPointer<InputFileNameWindowController> namePrompt_;
};
