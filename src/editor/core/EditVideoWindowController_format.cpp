// The editor window's output-format browser: the kit's band of profile tiles above the export
// row. A chosen tile, and each change made in the settings window behind its gear, goes into
// the open file's output settings and the stored format that the export reads.
#include "editor/core/EditVideoWindowController.h"

#include "editor/core/EditorProfileChoice.h"
#include "foundation/controls/ZylButton.h"
#include "platform/Geometry.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileSet.h"
#include "profiles/SettingWindowController.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"

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

void EditVideoWindowController::buildFormatBrowser() {
    o_.formatBrowser = new FormatBrowser(ProfileSet::editor(), FormatBrowser::Opener::Editor, this);
    o_.formatBrowser->profileChosen = [this](const QString& category, const QString& item,
                                             const QString& path) {
        EditorProfileChoice::choose(category, item, path, outputChoices_, session_.file().fileData.get());
    };
    o_.formatBrowser->settingChanged = [this](long mask) {
        if (session_.file().isOpen())
            EditorProfileChoice::settingChanged(mask, outputChoices_, *session_.file().fileData);
    };
    o_.formatBrowser->settingsRestored = [this] {
        if (session_.file().isOpen())
            EditorProfileChoice::settingsRestored(outputChoices_, *session_.file().fileData);
    };
    o_.formatBrowser->prepareSettings = [this](SettingWindowController* settings) {
        if (session_.file().isOpen())
            settings->setSimpdata(session_.file().fileData);
    };
    o_.formatBrowser->foldChanged = [this](bool folded) { formatFolded(folded); };
    o_.formatBrowser->start();
}

// Folding takes the band's height off the window and unfolding gives it back; the content
// keeps its size. The window stays on the screen it is on.
void EditVideoWindowController::formatFolded(bool folded) {
    const int h = height() + (folded ? -FormatBrowser::kFoldHeight : FormatBrowser::kFoldHeight);
    changesize(); // the new minimum size first: it may raise the height on its own
    resize(width(), std::max(h, minimumHeight()));
    if (const QScreen* s = screen()) {
        const QRect room = s->availableGeometry();
        if (frameGeometry().bottom() > room.bottom())
            move(x(), std::max(room.top(), room.bottom() - frameGeometry().height()));
    }
}

// A window opening on a screen lower than itself folds the band and fits the screen, so
// that Start and the export row are on it.
void EditVideoWindowController::fitScreen() {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s || !o_.formatBrowser)
        return;
    const int room = s->availableGeometry().height() - kFrameAllowance;
    if (height() <= room)
        return;
    if (o_.formatBrowser->canFold())
        o_.formatBrowser->setFolded(true);
    if (height() > room)
        resize(width(), std::max(room, minimumHeight()));
}

// How much higher than the bare export row the content starts: the band, or its title alone.
double EditVideoWindowController::formatBandRise() const {
    if (!o_.formatBrowser)
        return 0;
    const double band = o_.formatBrowser->isFolded() ? kFoldedBandHeight : FormatBrowser::kBandHeight;
    return kBrowserY + band - 85;
}

void EditVideoWindowController::layoutFormatBrowser(double W) {
    if (!o_.formatBrowser)
        return;
    const double band = o_.formatBrowser->isFolded() ? kFoldedBandHeight : FormatBrowser::kBandHeight;
    geometry::setFrame(o_.formatBrowser, NSMakeRect(4, kBrowserY, W - 8, band));
}

void EditVideoWindowController::exportFileOpened() {
    o_.exportBar->startButton->setEnabled(!jobChain().isBusy());
    // A new file gets the remembered format, as the window does when it opens.
    if (o_.formatBrowser)
        o_.formatBrowser->start();
}
