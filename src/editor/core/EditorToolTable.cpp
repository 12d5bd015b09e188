#include "editor/core/EditorToolTable.h"

#include "editor/core/EditorHost.h"
#include "editor/core/EditorToolType.h"
#include "editor/music/MusicPanel.h"
#include "editor/overlays/SubtitlePanel.h"
#include "editor/overlays/WaterMarkPanel.h"
#include "editor/picture/CropTool.h"
#include "editor/picture/EffectsTool.h"
#include "editor/picture/RotateTool.h"
#include "editor/trim/TrimTool.h"
#include "foundation/controls/ZylImageView.h"

#include <algorithm>

namespace {

template <class Tool> EditorTool* make(EditorHost& host, ZylImageView* panel) {
    return new Tool(host, panel);
}

std::vector<EditorToolRow> sortedRows() {
    std::vector<EditorToolRow> rows{
        {EditorToolTypeTrim, 0, "SubFun/btnCut", "tool_trimItemTitle", "AdvancedCut_Title", false,
         make<TrimTool>},
        {EditorToolTypeCrop, 1, "SubFun/btnCrop", "tool_cropItemTitle", "Crop_Title", false, make<CropTool>},
        {EditorToolTypeEffect, 2, "SubFun/btnEffect", "tool_effectItemTitle", "Effect_Title", false,
         make<EffectsTool>},
        {EditorToolTypeWatermark, 3, "SubFun/btnWaterMark", "tool_watermarkItemTitle", "Watermark_Title",
         false, make<WaterMarkPanel>},
        {EditorToolTypeSubtitle, 4, "SubFun/btnSubtitle", "tool_subtitleItemTitle", "Subtitle_Title", false,
         make<SubtitlePanel>},
        {EditorToolTypeRotate, 5, "SubFun/btnRotation", "tool_rotateItemTitle", "Rotate_Title", false,
         make<RotateTool>},
        {EditorToolTypeMusic, 6, "SubFun/btnMusic", "tool_musicItemTitle", "AddMusic_Title", true,
         make<MusicPanel>},
    };
    std::sort(rows.begin(), rows.end(),
              [](const EditorToolRow& a, const EditorToolRow& b) { return a.barPosition < b.barPosition; });
    return rows;
}

} // namespace

const std::vector<EditorToolRow>& editorToolRows() {
    static const std::vector<EditorToolRow> rows = sortedRows();
    return rows;
}

const EditorToolRow& editorToolRow(int code) {
    for (const EditorToolRow& row : editorToolRows())
        if (row.code == code)
            return row;
    return editorToolRows().front();
}
