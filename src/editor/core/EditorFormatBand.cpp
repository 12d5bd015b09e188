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
#include "tools/shared/ToolWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace {
// The band stands on the export row; the folded band keeps only its title button.
constexpr double kBrowserY = 70;
constexpr double kFoldedBandHeight = FormatBrowser::kBandHeight - FormatBrowser::kFoldHeight;
// What the window frame adds above the window's area (its title bar), for fitting a screen.
constexpr int kFrameAllowance = 40;
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
    return browser_->isFolded() ? 622 : 780;
}

// Folding takes the band's height off the window and unfolding gives it back; the content
// keeps its size. The window stays on the screen it is on.
void EditorFormatBand::folded(bool folded) {
    ToolWindow& w = window_;
    const int h = w.height() + (folded ? -FormatBrowser::kFoldHeight : FormatBrowser::kFoldHeight);
    relayout_(); // the new minimum size first: it may raise the height on its own
    w.resize(w.width(), std::max(h, w.minimumHeight()));
    if (const QScreen* s = w.screen()) {
        const QRect room = s->availableGeometry();
        if (w.frameGeometry().bottom() > room.bottom())
            w.move(w.x(), std::max(room.top(), room.bottom() - w.frameGeometry().height()));
    }
}

// A window opening on a screen lower than itself folds the band and fits the screen, so
// that Start and the export row are on it.
void EditorFormatBand::fitScreen() {
    ToolWindow& w = window_;
    const QScreen* s = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const int room = s->availableGeometry().height() - kFrameAllowance;
    if (w.height() <= room)
        return;
    if (browser_->canFold())
        browser_->setFolded(true);
    if (w.height() > room)
        w.resize(w.width(), std::max(room, w.minimumHeight()));
}

// How much higher than the bare export row the content starts: the band, or its title alone.
double EditorFormatBand::rise() const {
    const double band = browser_->isFolded() ? kFoldedBandHeight : FormatBrowser::kBandHeight;
    return kBrowserY + band - 85;
}

void EditorFormatBand::layout(double W) {
    const double band = browser_->isFolded() ? kFoldedBandHeight : FormatBrowser::kBandHeight;
    geometry::setFrame(browser_, NSMakeRect(4, kBrowserY, W - 8, band));
}
