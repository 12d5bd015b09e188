// Which tool windows the home screen can open: one factory per home tile.
//
// A tool that exists in the build is registered here once (ToolWindowRegistry.cpp picks up
// every tool header that is present); a tile without a factory shows its disabled picture
// and does nothing. Tests and later tools may also fill or replace an entry at run time.
#pragma once

#include "editor/core/EditorToolType.h"

#include <array>
#include <functional>

class QWidget;

// The eleven home tiles, in the order the home screen lays them out and lists them.
enum class HomeTool {
    Crop,
    Effect,
    Subtitle,
    Watermark,
    Joinner,
    EasyCutter,
    BatchCutter,
    AdvancedCutter,
    Rotate,
    AddMusic,
    Split,
};
inline constexpr int kHomeToolCount = 11;

// The editor's opening tool (its toolItemType) for the seven tiles that open the editor, and 0
// for the four tiles that open windows of their own.
constexpr int editorToolItemType(HomeTool tool) {
    switch (tool) {
    case HomeTool::AdvancedCutter:
        return EditorToolTypeTrim;
    case HomeTool::Rotate:
        return EditorToolTypeRotate;
    case HomeTool::Crop:
        return EditorToolTypeCrop;
    case HomeTool::Effect:
        return EditorToolTypeEffect;
    case HomeTool::Watermark:
        return EditorToolTypeWatermark;
    case HomeTool::Subtitle:
        return EditorToolTypeSubtitle;
    case HomeTool::AddMusic:
        return EditorToolTypeMusic;
    case HomeTool::Joinner:
    case HomeTool::EasyCutter:
    case HomeTool::BatchCutter:
    case HomeTool::Split:
        return 0;
    }
    return 0;
}

class ToolWindowRegistry {
public:
    // Creates the tool's controller and returns its top-level window, not yet shown. The
    // window owns itself: the controller must be released when the window closes, and the
    // window must post "WillCloseNotification" as it closes. The built-in factories leave
    // that to a ToolWindow and give any other controller Qt::WA_DeleteOnClose.
    using Factory = std::function<QWidget*()>;

    static ToolWindowRegistry& shared();

    void setFactory(HomeTool tool, Factory factory);
    bool hasFactory(HomeTool tool) const;
    Factory factory(HomeTool tool) const { return factories_[static_cast<int>(tool)]; }
    // The window of a new controller for the tool, or nullptr without a factory.
    QWidget* createWindow(HomeTool tool) const;

private:
    ToolWindowRegistry();
    std::array<Factory, kHomeToolCount> factories_;
};
