// One tool of the editor window. The window makes each tool from its row in the tool table
// (EditorToolTable) with the tool's panel and the window as its host, and calls every tool, in
// table order, at each step of its life:
//
//   fileOpened        a new file is open and its player made; the edit state is the new
//                     file's. Tools drop what belonged to the earlier file.
//   setEditable       editing on or off as one group (no file, or an export running).
//   setShown          the tool's panel is shown (true) or another tool's is (false).
//   playStateChanged  the preview started or stopped playing.
//   playerTick        the preview's play head moved (seconds).
//   pictureTurned     the picture was turned or mirrored; `before` is its size before.
//   layout            the window was laid out: a tool places what it has outside its panel.
//   pictureMoved      the picture's rectangle in its view changed (layout, refit, turn).
//   contribute        the recipe is built (for the preview or an export): what the tool adds
//                     beside the edit state; false (the tool has said why) stops an export.
//   windowClosing     the window is closing: stop anything that plays.
//   movedOntoIndexLine the file moved onto its index's line (its length is the new line's):
//                     a tool moves the times it keeps with their pictures through `move`.
//
// Tools change only the edit state (EditorSession::state()) and their own controls; the
// window's appliers take the state to the preview and the export. Main thread only.
#pragma once

#include "editor/picture/PictureGeometry.h"

#include <QSizeF>
#include <QString>

class EditorHost;
class IndexLineMove;
struct EditRecipe;
class QWidget;

class EditorTool {
public:
    explicit EditorTool(EditorHost& host) : host_(host) {}
    virtual ~EditorTool() = default;
    EditorTool(const EditorTool&) = delete;
    EditorTool& operator=(const EditorTool&) = delete;

    virtual void fileOpened() {}
    virtual void setEditable(bool) {}
    virtual void setShown(bool) {}
    virtual void playStateChanged(bool) {}
    virtual void playerTick(double /*current*/, double /*duration*/) {}
    virtual void pictureTurned(picture::Turn, QSizeF /*before*/) {}
    virtual void layout() {}
    virtual void pictureMoved() {}
    virtual bool contribute(EditRecipe&) { return true; }
    virtual void windowClosing() {}
    virtual void movedOntoIndexLine(IndexLineMove&) {}

    // A bar of the tool's own under the picture, shown in place of the seek slider while the
    // tool is shown; null: the seek slider.
    virtual QWidget* bar() const { return nullptr; }

protected:
    EditorHost& host() const { return host_; }

private:
    EditorHost& host_;
};
