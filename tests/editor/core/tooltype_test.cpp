// The editor's tool codes: each home tile that opens the editor names its own tool, and any
// other code opens the trim tool.
#include "app/ToolWindowRegistry.h"
#include "editor/core/EditorToolType.h"

#include <gtest/gtest.h>
#include <set>

TEST(EditorToolType, SevenTilesOpenSevenToolsAndOtherCodesOpenTrim) {
    EXPECT_EQ(editorToolItemType(HomeTool::AdvancedCutter), 1);
    EXPECT_EQ(editorToolItemType(HomeTool::Rotate), 2);
    EXPECT_EQ(editorToolItemType(HomeTool::Crop), 4);
    EXPECT_EQ(editorToolItemType(HomeTool::Effect), 8);
    EXPECT_EQ(editorToolItemType(HomeTool::Watermark), 16);
    EXPECT_EQ(editorToolItemType(HomeTool::Subtitle), 32);
    EXPECT_EQ(editorToolItemType(HomeTool::AddMusic), 64);
    for (HomeTool other : {HomeTool::Joinner, HomeTool::EasyCutter, HomeTool::BatchCutter, HomeTool::Split})
        EXPECT_EQ(editorToolItemType(other), 0);

    std::set<int> codes;
    for (EditorToolType tool : kEditorToolBarOrder) {
        EXPECT_EQ(editorToolTypeFromCode(tool), tool);
        codes.insert(tool);
    }
    EXPECT_EQ(codes, (std::set<int>{1, 2, 4, 8, 16, 32, 64}));
    for (long long code : {0LL, 3LL, 5LL, 7LL, 127LL, 128LL, -1LL, -64LL, 1LL << 40})
        EXPECT_EQ(editorToolTypeFromCode(code), EditorToolTypeTrim) << code;
}
