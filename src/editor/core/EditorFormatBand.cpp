#include "editor/core/EditorFormatBand.h"

#include "editor/core/EditorProfileChoice.h"
#include "editor/core/EditorSession.h"
#include "foundation/controls/ZylButton.h"
#include "platform/Geometry.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileSet.h"
#include "profiles/SettingWindowController.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/ScreenRoom.h"
#include "tools/shared/ToolWindow.h"

#include <algorithm>

namespace {
// The band stands on the export row; the folded band keeps only its title button.
constexpr double kBrowserY = 70;
constexpr double kFoldedBandHeight = FormatBrowser::kBandHeight - FormatBrowser::kFoldHeight;
// The window's least heights with the band folded and unfolded.
constexpr int kFoldedMinimum = 622;
constexpr int kUnfoldedMinimum = 780;
} // namespace

EditorFormatBand::EditorFormatBand(ToolWindow& window, EditorSession& session, std::function<void()> relayout)
    : QObject(&window), window_(window), session_(session), relayout_(std::move(relayout)) {
    browser_ = new FormatBrowser(ProfileSet::editor(), FormatBrowser::Opener::Editor, &window);
    browser_->profileChosen = [this](const QString& category, const QString& item, const QString& path) {
        EditorProfileChoice::choose(category, item, path, outputChoices_, session_.file().fileData.get());
    };
    browser_->settingChanged = [this](long mask) {
        if (session_.file().isOpen())
            EditorProfileChoice::settingChanged(mask, outputChoices_, *session_.file().fileData);
    };
    browser_->settingsRestored = [this] {
        if (session_.file().isOpen())
            EditorProfileChoice::settingsRestored(outputChoices_, *session_.file().fileData);
    };
    browser_->prepareSettings = [this](SettingWindowController* settings) {
        if (session_.file().isOpen())
            settings->setSimpdata(session_.file().fileData);
    };
    browser_->foldChanged = [this](bool fold) { folded(fold); };
    browser_->start();
}

void EditorFormatBand::fileOpened() {
    browser_->start();
}

void EditorFormatBand::setChoiceEnabled(bool on) {
    browser_->setChoiceEnabled(on);
}

int EditorFormatBand::minimumHeight() const {
    return contentKeepsFoldedPlace() ? kFoldedMinimum : kUnfoldedMinimum;
}

bool EditorFormatBand::contentKeepsFoldedPlace() const {
    return browser_->isFolded() || overContent_;
}

// Folding takes the band's height off the window and unfolding gives it back; the content
// keeps its size. Unfolding grows the window only when its screen has room for it, moving the
// window up where its foot would leave the screen; on a screen too low for that the band opens
// over the content's foot and the window keeps its size and place, Start and the export row
// on the screen.
void EditorFormatBand::folded(bool folded) {
    ToolWindow& w = window_;
    if (folded && overContent_) {
        overContent_ = false;
        relayout_();
        return;
    }
    const int grown = w.height() + FormatBrowser::kFoldHeight;
    if (!folded && std::max(grown, kUnfoldedMinimum) > ScreenRoom::windowRoom(&w)) {
        overContent_ = true;
        relayout_();
        browser_->raise();
        return;
    }
    const int h = folded ? w.height() - FormatBrowser::kFoldHeight : grown;
    relayout_(); // the new minimum size first: it may raise the height on its own
    w.resize(w.width(), std::max(h, w.minimumHeight()));
    ScreenRoom::keepOnScreen(&w);
}

// A window opening on a screen lower than itself folds the band and fits the screen, so
// that Start and the export row are on it.
void EditorFormatBand::fitScreen() {
    ToolWindow& w = window_;
    const int room = ScreenRoom::windowRoom(&w);
    if (w.height() <= room)
        return;
    if (browser_->canFold())
        browser_->setFolded(true);
    if (w.height() > room)
        w.resize(w.width(), std::max(room, w.minimumHeight()));
}

// How much higher than the bare export row the content starts: the band, or its title alone.
double EditorFormatBand::rise() const {
    const double band = contentKeepsFoldedPlace() ? kFoldedBandHeight : FormatBrowser::kBandHeight;
    return kBrowserY + band - 85;
}

void EditorFormatBand::layout(double W) {
    const double band = browser_->isFolded() ? kFoldedBandHeight : FormatBrowser::kBandHeight;
    geometry::setFrame(browser_, NSMakeRect(4, kBrowserY, W - 8, band));
}
