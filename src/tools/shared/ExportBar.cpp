#include "tools/shared/ExportBar.h"

#include "foundation/controls/LabelFit.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/Workspace.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/ToolStyle.h"
#include "tools/shared/ToolWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <algorithm>
#include <initializer_list>

namespace {
template <typename W> W* placed(QWidget* parent, const NSRect& frame) {
    auto* w = new W(parent);
    geometry::setFrame(w, frame);
    return w;
}

QLabel* whiteLabel(QWidget* parent, const NSRect& frame, const char* key) {
    auto* l = placed<QLabel>(parent, frame);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setText(loc(key));
    toolstyle::whiteText(l);
    return l;
}
} // namespace

ExportBar::ExportBar(ToolWindow* window, QWidget* parent, const Frames& frames, const QString& finishKey)
    : QObject(window), window_(window), finishKey_(finishKey) {
    outputLabel = whiteLabel(parent, frames.outputLabel, "outputFolderLabelstringValue");
    folderChooser = placed<OutputFolderChooser>(parent, frames.folder);
    if (frames.reveal.width > 0) {
        revealButton = placed<ZylButton>(parent, frames.reveal);
        toolstyle::setButtonImages(revealButton, toolstyle::browsePictures());
        QPointer<ExportBar> self(this);
        revealButton->mouseDownAction = [self](ZylButton*) {
            if (self && !self->outputPath().isEmpty())
                Workspace::revealInFileManager(self->outputPath());
        };
    }
    progressLabel = whiteLabel(parent, frames.progressLabel, "progressLabelStringValue");
    progressView = placed<NSProgressView>(parent, frames.progress);
    startButton = placed<ZylButton>(parent, frames.start);
    toolstyle::styleStartButton(startButton, loc("StartExportTitle"));
    controls::fitLabelBefore(outputLabel, folderChooser);
    controls::fitLabelBefore(progressLabel, progressView);

    QPointer<ExportBar> self(this);
    // Like every button of the tool windows, the press only queues its work.
    startButton->mouseDownAction = [self](ZylButton*) {
        dispatchMain([self] {
            if (self && !self->window_->isClosing())
                self->press();
        });
    };
    window->setExportBar(this);
}

ExportBar::~ExportBar() = default;

int ExportBar::top() const {
    int y = startButton->y();
    for (const QWidget* w : std::initializer_list<const QWidget*>{outputLabel, folderChooser, revealButton,
                                                                  progressLabel, progressView})
        if (w)
            y = std::min(y, w->y());
    return y;
}

QString ExportBar::outputPath() const {
    return folderChooser->outputPath();
}

QString ExportBar::preparedOutputPath() const {
    QString folder = outputPath();
    if (!folder.isEmpty() && !QFileInfo::exists(folder))
        QDir().mkpath(folder);
    return folder;
}

bool ExportBar::isRunning() const {
    return window_->jobChain().isBusy();
}

void ExportBar::press() {
    JobChain& chain = window_->jobChain();
    if (chain.isBusy()) {
        // A cancel already under way waits for the stopped job to return.
        if (!chain.isCancelling())
            cancel();
        return;
    }
    if (!startRequested)
        return;
    progressView->setProgress(0);
    // A chain whose first job could not be set up has ended (and said why) before this
    // returns; only a running chain turns the window into its running look.
    if (!startRequested() || !chain.isBusy())
        return;
    if (editingEnabled)
        editingEnabled(false);
    startButton->setContentTitle(loc("CancelexportTitle"));
}

void ExportBar::cancel() {
    window_->jobChain().cancel();
    progressView->setProgress(0);
    startButton->setContentTitle(loc("StartExportTitle"));
    // Start stays off until the stopped job has returned.
    startButton->setEnabled(false);
}

void ExportBar::chainProgress(double overall) {
    // While a cancel waits for the stopped job, the bar stays empty.
    if (!window_->jobChain().isCancelling())
        progressView->setProgress(float(std::clamp(overall, 0.0, 1.0)));
}

void ExportBar::setIdle() {
    startButton->setContentTitle(loc("StartExportTitle"));
    startButton->setEnabled(true);
    if (editingEnabled)
        editingEnabled(true);
}

void ExportBar::chainEnded(JobChain::Outcome outcome, int error) {
    setIdle();
    switch (outcome) {
    case JobChain::Outcome::Completed:
        // A finished export shows a full bar until the next one starts.
        progressView->setProgress(1.0f);
        if (const QString failed = window_->failedJobsReport(); !failed.isEmpty())
            window_->showSimpleAlert(failed);
        else
            window_->showFinishMessage(finishKey_, outputPath());
        break;
    case JobChain::Outcome::Failed:
        qCWarning(lcTools) << "export failed:" << error;
        progressView->setProgress(0);
        window_->showEngineError(error);
        break;
    case JobChain::Outcome::Cancelled:
        progressView->setProgress(0);
        break;
    }
}
