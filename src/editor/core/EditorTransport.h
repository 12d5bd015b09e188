// The editor's preview controls under the picture: the seek slider with the play head's time
// and the file's length beside it, and the transport strip (play or pause, stop, snapshot,
// the snapshot's picture format, mute and the preview volume). The window tells it what to
// show; its buttons ask the window through the actions it was given.
//
// Main thread only; the controls are children of the views they are built in.
#pragma once

#include "foundation/controls/LxProgressSliderDelegate.h"

#include <QObject>
#include <QString>
#include <functional>

class LxProgressSlider;
class PreviewPane;
class QComboBox;
class QLabel;
class ToolWindow;
class ZylButton;

class EditorTransport : public QObject, public LxProgressSliderDelegate {
public:
    struct Actions {
        std::function<void()> togglePlay;
        std::function<void()> stop;
        std::function<void()> snapshot;
        std::function<double()> duration; // seconds of the open file
    };

    // The slider and the labels go into barArea, the strip's controls into strip.
    EditorTransport(ToolWindow& window, PreviewPane& pane, QWidget* barArea, QWidget* strip, Actions actions);

    LxProgressSlider* slider = nullptr;
    QLabel* currentTimeLabel = nullptr;
    QLabel* totalTimeLabel = nullptr;
    ZylButton* playPauseBtn = nullptr;
    ZylButton* stopBtn = nullptr;
    ZylButton* cameraBtn = nullptr;
    ZylButton* picStyleBtn = nullptr;
    ZylButton* volumeBtn = nullptr;
    LxProgressSlider* volumeSlider = nullptr;
    QComboBox* coverStylePopBtn = nullptr;

    void setEnabled(bool on);
    void showPlaying(bool playing);
    // The play head and the length, in seconds.
    void showTime(double current, double duration);
    void showCurrentTime(double seconds);
    // Places the slider and the labels in a bar area of this size.
    void layout(double width, double height);
    // The snapshot's picture format: "png", "jpg" or "bmp".
    QString coverStyle() const { return coverStyle_; }
    void picstyleAction(int index);

    void actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) override;
    void actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) override;

private:
    void buildStrip(ToolWindow& window, QWidget* strip);
    void toggleCoverStylePopup();
    void placeVolumeControls();

    PreviewPane& pane_;
    Actions actions_;
    QString coverStyle_ = QStringLiteral("png");
};
