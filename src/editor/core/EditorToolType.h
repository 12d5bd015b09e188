// The editor's tools, one bit each. The home screen tells the editor which tool to open with
// one of these codes (toolItemType); the tool table (EditorToolTable) gives each its tool.
#pragma once

enum EditorToolType : int {
    EditorToolTypeTrim = 1,
    EditorToolTypeRotate = 2,
    EditorToolTypeCrop = 4,
    EditorToolTypeEffect = 8,
    EditorToolTypeWatermark = 16,
    EditorToolTypeSubtitle = 32,
    EditorToolTypeMusic = 64,
};
