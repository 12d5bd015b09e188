// The export bar along the bottom of a tool window: the output-folder label and pop-up, the
// button that reveals the folder, the progress label and bar, and Start, which reads Cancel
// while the window's job chain runs; and the one handling of how a chain ends.
//
// Start while idle asks the window to start its chain (startRequested); the bar then turns
// editing off, reads Cancel and starts the bar from 0. Cancel stops the chain: the bar goes
// to 0 and stays there while the stopped job returns, Start reads Start again but stays
// disabled until the chain has ended, so no second job can start under the first. At the
// end: finished fills the bar and shows the finish message (or, when the window went on past
// failed jobs, what failed); failed empties it and says the engine's error in words; cancelled leaves it
// empty; in each case Start and editing come back.
//
// The bar is bound to its ToolWindow, which forwards the chain's progress and end to it.
// Main thread only.
#pragma once

#include "platform/Geometry.h"
#include "tools/shared/JobChain.h"

#include <QObject>
#include <QString>
#include <functional>

class NSProgressView;
class OutputFolderChooser;
class QLabel;
class QWidget;
class ToolWindow;
class ZylButton;

class ExportBar : public QObject {
    Q_OBJECT
public:
    // Frames in the parent; a reveal frame of zero width makes no reveal button.
    struct Frames {
        NSRect outputLabel, folder, reveal, progressLabel, progress, start;
    };
    // finishKey: the information key of the window's finish message.
    ExportBar(ToolWindow* window, QWidget* parent, const Frames& frames, const QString& finishKey);
    ~ExportBar() override;

    QLabel* outputLabel = nullptr;
    OutputFolderChooser* folderChooser = nullptr;
    ZylButton* revealButton = nullptr;
    QLabel* progressLabel = nullptr;
    NSProgressView* progressView = nullptr;
    ZylButton* startButton = nullptr;

    // The top edge of the bar's highest control in its parent: a panel laid over the window's
    // foot ends above it, so that Start and the output folder stay in reach.
    int top() const;

    QString outputPath() const;
    // The output folder, made first when it has gone since it was chosen.
    QString preparedOutputPath() const;

    // Start or Cancel, as a press of the button does.
    void press();
    bool isRunning() const;

    // Start pressed while idle: the window starts its chain; false when nothing was started.
    std::function<bool()> startRequested;
    // Editing controls off while the chain runs, on again when it has ended.
    std::function<void(bool on)> editingEnabled;

    // From the window's job chain (ToolWindow forwards them).
    void chainProgress(double overall);
    void chainEnded(JobChain::Outcome outcome, int error);

private:
    void cancel();
    void setIdle();

    ToolWindow* window_;
    QString finishKey_;
};
