// The editor window's output-format band: the kit's browser of profile tiles above the export
// row. A chosen tile, and each change made in the settings window behind its gear, goes into
// the open file's output settings and the stored format that the export reads. Folded, the
// band keeps only its title and the window may be lower; a window opening on a screen lower
// than itself folds the band and fits the screen, so that Start and the export row are on it.
// Unfolding grows the window only when it still fits its screen (ScreenRoom), moving it up as
// far as its foot needs; on a screen too low for that the band opens over the content's foot.
//
// Main thread only; a child of the window.
#pragma once

#include "editor/core/EditorOutputChoices.h"

#include <QObject>
#include <functional>

class EditorSession;
class FormatBrowser;
class ToolWindow;

class EditorFormatBand : public QObject {
public:
    // `relayout` lays the window out again for the band's height.
    EditorFormatBand(ToolWindow& window, EditorSession& session, std::function<void()> relayout);

    FormatBrowser* browser() const { return browser_; }
    // A new file gets the remembered format, as the window does when it opens.
    void fileOpened();
    void setChoiceEnabled(bool on);
    void fitScreen();
    // The window's least height with the band as it is.
    int minimumHeight() const;
    // How much higher than the bare export row the content starts: the band, or its title alone.
    double rise() const;
    void layout(double windowWidth);

private:
    void folded(bool folded);
    // Folded, or unfolded over the content: the content stands where the folded band leaves it.
    bool contentKeepsFoldedPlace() const;

    ToolWindow& window_;
    EditorSession& session_;
    std::function<void()> relayout_;
    FormatBrowser* browser_ = nullptr;
    // Unfolded on a screen without room for the window to grow: the band lies over the content.
    bool overContent_ = false;
    EditorOutputChoices outputChoices_; // the format chosen in the browser
};
