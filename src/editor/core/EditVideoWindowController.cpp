#include "editor/core/EditVideoWindowController.h"

#include "editor/core/EditRecipe.h"
#include "editor/core/EditorExport.h"
#include "editor/core/EditorFileLoader.h"
#include "editor/core/EditorFormatBand.h"
#include "editor/core/EditorTool.h"
#include "editor/core/EditorToolStrip.h"
#include "editor/core/EditorToolTable.h"
#include "editor/core/EditorTransport.h"
#include "editor/core/PreviewReceiver.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/PreviewPane.h"

#include <QLineEdit>
#include <QPointer>

namespace {

// The aspects that change the picture: while paused, the player draws its frame again.
constexpr unsigned kPictureAspects =
    edit::Crop | edit::Turn | edit::Adjust | edit::Effects | edit::Marks | edit::Subtitle;

} // namespace

EditVideoWindowController::EditVideoWindowController(int toolItemType, QWidget* parent)
    : ToolWindow(parent), toolItemType_(editorToolRow(toolItemType).code) {
    // The window's title names the tool it was opened on, as the home tile does.
    setWindowTitle(loc(editorToolRow(toolItemType).titleKey));
    session_.state().changed = [this](unsigned aspects) { applyEdit(aspects); };
    windowDidLoad();
}

EditVideoWindowController::~EditVideoWindowController() {
    session_.state().changed = nullptr;
    // The tools go while the window they report to still exists.
    for (EditorTool* t : tools_)
        t->windowClosing();
    receiver_.reset();
    for (ZylImageView* panel : o_.toolPanels)
        delete panel;
    tools_.clear();
}

void EditVideoWindowController::windowDidLoad() {
    resize(1100, 700);
    buildFrameViews();
    buildTools();
    buildExportBar();
    initPlayer();
    enableEdit(false);
    loaded_ = true;
    changesize();
    format_->fitScreen();
    openTool(toolItemType_);
}

void EditVideoWindowController::enableEdit(bool enable) {
    const bool open = session_.file().isOpen();
    const bool player = preview_->player() != nullptr;
    transport_->setEnabled(enable && player);
    for (EditorTool* t : tools_)
        t->setEditable(enable && open && player);
    if (!open || !player)
        return;
    transport_->slider->setProgress(0);
}

// The editor works on one file at a time, so its panel takes one: none is dropped unseen.
void EditVideoWindowController::addfileAction() {
    QPointer<EditVideoWindowController> self(this);
    MediaOpenPanel::open(this, false, [self](const QStringList& paths) {
        if (self && !paths.isEmpty() && !self->isClosing())
            self->openFile(paths.first());
    });
}

bool EditVideoWindowController::openFile(const QString& path) {
    pause();
    // The new file's state reaches the preview once, when its player and tools are ready.
    opening_ = true;
    const EditorFileLoader::Result result = session_.openFile(path);
    if (!result.data) {
        opening_ = false;
        // The earlier file, its player and everything shown for it stay as they were.
        EditorFileLoader::showOutcome(this, result, path);
        return false;
    }
    const SimpleData& record = *session_.file().fileData;
    o_.scrLabel->setText(path);
    receiver_.reset();
    preview_->open(path, 1.0, PreviewPane::displaySize(record));
    if (LxMoviePlayer* p = preview_->player()) {
        EditorSession::installCallbacks(*p);
        receiver_ = std::make_unique<PreviewReceiver>(*p, *preview_);
    }
    initPlayer();
    const EditorSession::RefreshView view = session_.refreshPlayerView(preview_->player(), 0, 0);
    opening_ = false;
    lineLength_ = view.durationSeconds;
    changePlayerSlider(currentTime(), view.durationSeconds);
    strip_->setEnabled(true);
    exportFileOpened();
    refitPicture();
    for (EditorTool* t : tools_)
        t->fileOpened();
    enableEdit(true);
    openTool(toolItemType_);
    applyEdit(edit::All);
    if (result.skippedAc3Streams > 0)
        EditorFileLoader::showOutcome(this, result, path);
    return true;
}

void EditVideoWindowController::windowWillClose() {
    for (EditorTool* t : tools_)
        t->windowClosing();
    receiver_.reset();
    preview_->close();
}

LxMoviePlayer* EditVideoWindowController::player() const {
    return preview_ ? preview_->player() : nullptr;
}

// The player's length; the probed one while the player cannot tell.
double EditVideoWindowController::duration() const {
    const double played = preview_->duration();
    if (played > 0)
        return played;
    return session_.file().isOpen() ? session_.file().fileData->sourceDuration() : 0.0;
}

double EditVideoWindowController::currentTime() const {
    return preview_->currentTime();
}

// The preview applier: the recipe of the edit state and the tools' contributions, the
// aspects asked for, to the player.
void EditVideoWindowController::applyEdit(unsigned aspects) {
    if (!receiver_ || opening_ || !session_.file().isOpen() || !aspects)
        return;
    EditRecipe recipe =
        EditRecipe::fromState(session_.state(), *session_.file().fileData, EditRecipe::Purpose::Preview);
    // Only the marks and the sound come from the tools; the rest is the state's alone.
    if (aspects & (edit::Marks | edit::Sound | edit::Adjust | edit::Music))
        for (EditorTool* t : tools_)
            t->contribute(recipe);
    editapply::applyToPreview(recipe, aspects, *receiver_);
    if ((aspects & kPictureAspects) && !isPlaying())
        receiver_->player().Refresh();
}

// Each turn goes through the edit state, which carries the crop and the subtitle along; the
// tools carry what they keep themselves, and the picture is fitted again.
void EditVideoWindowController::turnPicture(picture::Turn turn) {
    if (!session_.file().isOpen())
        return;
    const QSizeF before = videoSize_;
    if (!session_.state().turn(turn, before))
        return;
    if (const auto& record = session_.file().fileData; record->waterParam && !before.isEmpty())
        picture::turnWatermark(*record->waterParam, before, turn);
    changesize();
    for (EditorTool* t : tools_)
        t->pictureTurned(turn, before);
}

// Back to the file's own orientation step by step, so that the crop and the overlays come
// back with it: first the quarter turns, then the mirrors.
void EditVideoWindowController::undoTurns() {
    const EditState& s = session_.state();
    for (int i = 0; i < 4 && s.playerRotateAngle() % 360 != 0; ++i)
        turnPicture(picture::Turn::Left);
    if (s.playerRotateAngle() % 360 != 0)
        session_.state().setTurns(0, s.hFlip(), s.vFlip());
    if (s.hFlip())
        turnPicture(picture::Turn::MirrorHorizontal);
    if (s.vFlip())
        turnPicture(picture::Turn::MirrorVertical);
}

void EditVideoWindowController::buildFormatBrowser() {
    format_ = new EditorFormatBand(*this, session_, [this] { changesize(); });
    o_.formatBrowser = format_->browser();
}

void EditVideoWindowController::exportFileOpened() {
    o_.exportBar->startButton->setEnabled(!jobChain().isBusy());
    format_->fileOpened();
}
