// The editor window: one open file at a time, previewed in the kit's preview pane, and the
// tools of the tool table (EditorToolTable) that change how it will be exported. The home
// screen opens it on one tool; the tool bar switches between them. Until a file is open the
// tool buttons and the editing controls stay disabled, so no tool ever works without a file.
//
// The window is every tool's host (EditorHost) and calls each through the lifecycle of
// EditorTool. The edit state lives in the window's EditorSession; tools change only the
// state, whose announced changes the window gives the preview through the preview applier,
// and an export gives the convert passes through the convert applier.
//
// Frames are given in points with the origin at the bottom left (platform/Geometry.h); the
// window lays itself out again on every resize and on entering or leaving full screen.
//
// Main thread only. The window owns every view and its session; closing it stops the preview.
#pragma once

#include "editor/core/EditorConvertJob.h"
#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "editor/core/EditorToolType.h"
#include "platform/Geometry.h"
#include "tools/shared/ToolWindow.h"

#include <QPointer>
#include <QSizeF>
#include <functional>
#include <memory>
#include <vector>

class EditorExport;
class EditorFormatBand;
class EditorTool;
class EditorToolStrip;
class EditorTransport;
class ExportBar;
class FormatBrowser;
class PreviewPane;
class PreviewReceiver;
class QLineEdit;
class ZylButton;
class ZylImageView;
class ZylView;

class EditVideoWindowController : public ToolWindow, public EditorHost {
    Q_OBJECT

public:
    // Opens on the tool of `toolItemType` (any other value: the first tool of the bar).
    explicit EditVideoWindowController(int toolItemType = EditorToolTypeTrim, QWidget* parent = nullptr);
    ~EditVideoWindowController() override;

    int toolItemType() const { return toolItemType_; }

    // The first tool of a class (null when there is none).
    template <class T> T* tool() const {
        for (EditorTool* t : tools_)
            if (auto* found = dynamic_cast<T*>(t))
                return found;
        return nullptr;
    }
    // Shows the tool of `code`; any other code shows the first tool of the bar.
    void openTool(int code);
    ZylButton* toolButton(int code) const;
    QWidget* toolPanel(int code) const;

    // Asks for a file in the open panel and opens the first one chosen.
    void addfileAction();
    // Opens path as the add-file button does after its panel; false when refused (the
    // earlier file and everything shown for it stay).
    bool openFile(const QString& path);

    // Editing controls on or off as one group; with a file open it also puts the play head at
    // the start and shows the trim range.
    void enableEdit(bool enable);

    // Transport.
    void stop();
    // Writes the frame shown into the output folder, in the transport's picture format.
    void actionCarameraBtn();

    // The crop rectangle of the edit state on the picture, in the picture view's points.
    NSRect cropRectInView() const;

    // EditorHost
    EditorSession& session() override { return session_; }
    PreviewPane* preview() const override { return preview_; }
    LxMoviePlayer* player() const override;
    QWidget* pictureView() const override { return pictureHost_; }
    NSRect pictureRect() const override { return pictureRect_; }
    QSizeF videoSize() const override { return videoSize_; }
    double duration() const override;
    double currentTime() const override;
    bool isPlaying() const override;
    void play() override;
    void pause() override;
    void togglePlay() override;
    void showCurrentTime(double seconds) override;
    void turnPicture(picture::Turn turn) override;
    void undoTurns() override;
    void applyEdit(unsigned aspects) override;
    QWidget* sideStage() const override;
    void showPictureIn(QWidget* pictureHost, QWidget* transportHost) override;
    int shownTool() const override { return toolItemType_; }
    ToolWindow& toolWindow() override { return *this; }
    void alert(const QString& text) override { showSimpleAlert(text); }

    // The window's own controls, for tests.
    struct Outlets {
        ZylView* contentBackGroundView = nullptr;
        ZylView* funItemBackView = nullptr;
        ZylView* funItemContentView = nullptr;
        QWidget* contentLeftView = nullptr;
        QWidget* contentRightView = nullptr;
        ZylView* playerBackView = nullptr;
        ZylImageView* playerView = nullptr;
        ZylImageView* playerBottomView = nullptr;
        ZylView* playerBottomChildView = nullptr; // the transport strip
        ZylView* sideStage = nullptr;
        ZylButton* addfileButton = nullptr;
        QLineEdit* scrLabel = nullptr;
        std::vector<ZylButton*> toolButtons;   // bar order
        std::vector<ZylImageView*> toolPanels; // bar order
        EditorTransport* transport = nullptr;  // the seek slider, the times and the strip
        ExportBar* exportBar = nullptr;
        FormatBrowser* formatBrowser = nullptr;
    };
    const Outlets& outlets() const { return o_; }

protected:
    void windowWillClose() override;
    void exportEnded(JobChain::Outcome outcome, int error) override;
    // A music track the engine refused says so; other failures give the engine's code.
    void showEngineError(int result) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // _layout
    void windowDidLoad();
    void buildFrameViews();
    void buildTools();
    void buildExportBar();
    void changesize();
    void layoutAreas(double W, double H);
    void layoutPlayerArea();
    void refitPicture();
    // _tools
    void showTool(int code);
    void movePlayerViewTo(QWidget* host, QWidget* stripHost);
    // _player
    void initPlayer();
    void changePlayerSlider(double current, double duration);
    void playerDidEnd();
    void showPlaying(bool playing);
    // The file moved onto its index's line: the length, the play head and every tool's times
    // follow their pictures there, and a time the user set that now reads otherwise is told.
    void movedOntoIndexLine(const std::function<double(double)>& toLine);
    // _export
    void bindExport();
    bool startExport();
    // Commits the edit state into the record and plans its export into export_: false when
    // there is nothing to export, said in words when tell.
    bool planExport(bool tell);
    bool exportSettings(EditorConvertJob::Settings* settings);
    void exportEditingEnabled(bool on);
    void exportFileOpened();
    void buildFormatBrowser();

    EditorSession session_;
    PreviewPane* preview_ = nullptr;
    std::unique_ptr<PreviewReceiver> receiver_; // the preview applier's receiver for the player
    EditorTransport* transport_ = nullptr;      // the controls under the picture
    std::unique_ptr<EditorToolStrip> strip_;    // the tool bar and the tools' panels
    Outlets o_;
    std::vector<EditorTool*> tools_; // bar order; each a child of its panel or of the window
    int toolItemType_ = EditorToolTypeTrim;
    QWidget* pictureHost_ = nullptr; // where the player's view is now
    NSRect pictureRect_;
    QSizeF videoSize_;
    double lineLength_ = 0; // the open file's length on the line its times were set on, seconds
    bool loaded_ = false;
    bool opening_ = false;                 // a file is being opened: its state goes to the preview at the end
    std::unique_ptr<EditorExport> export_; // the running export's plan; its part files go with it
    bool musicRefused_ = false;            // the last job set-up failed on a music track
    EditorFormatBand* format_ = nullptr;   // the output-format band above the export row
};
