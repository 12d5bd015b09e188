// The editor's tools, one row each: the code the home screen opens it by (EditorToolType), its
// place in the tool bar, the look of its button, the key of the window's title when the window
// opens on it, and how it is made. A new tool is its class and one row here.
#pragma once

#include <vector>

class EditorHost;
class EditorTool;
class ZylImageView;

struct EditorToolRow {
    int code;                   // EditorToolType
    int barPosition;            // 0 = leftmost button
    const char* buttonStem;     // the button's pictures: stem + "_Normal.bmp", "_Down.bmp", ...
    const char* buttonTitleKey; // the button's title and the panel's heading
    const char* titleKey;       // the window's title when it opens on this tool
    // Shows the picture small, in the side stage above its own controls, instead of under the
    // panels' row (the music tool).
    bool sideStage;
    // Makes the tool into its panel; the tool is a child of the panel (or of the window).
    EditorTool* (*make)(EditorHost& host, ZylImageView* panel);
};

// Every row, in bar order.
const std::vector<EditorToolRow>& editorToolRows();
// The row of a code; any other code (0, a sum of codes, a stale stored value): the first row.
const EditorToolRow& editorToolRow(int code);
