// The editor's tools, one bit each. The home screen tells the editor which tool to open with
// one of these codes (toolItemType); the editor's tool buttons switch between them.
#pragma once

#include <array>

enum EditorToolType : int {
    EditorToolTypeTrim = 1,
    EditorToolTypeRotate = 2,
    EditorToolTypeCrop = 4,
    EditorToolTypeEffect = 8,
    EditorToolTypeWatermark = 16,
    EditorToolTypeSubtitle = 32,
    EditorToolTypeMusic = 64,
};

// Every tool, in the order of the tool buttons in the editor's bar (not the order of the codes).
inline constexpr std::array<EditorToolType, 7> kEditorToolBarOrder{
    EditorToolTypeTrim,     EditorToolTypeCrop,   EditorToolTypeEffect, EditorToolTypeWatermark,
    EditorToolTypeSubtitle, EditorToolTypeRotate, EditorToolTypeMusic,
};

// The tool a code opens: one of the seven codes opens its own tool, anything else (0, a sum of
// codes, a stale stored value) opens the trim tool.
constexpr EditorToolType editorToolTypeFromCode(long long code) {
    for (EditorToolType tool : kEditorToolBarOrder)
        if (code == tool)
            return tool;
    return EditorToolTypeTrim;
}
