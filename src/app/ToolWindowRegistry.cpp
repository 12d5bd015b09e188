#include "app/ToolWindowRegistry.h"

#include "platform/Log.h"

#include <QWidget>
#include <type_traits>

// Every tool window of the program registers its tile here; a tile without a factory
// shows its disabled picture.
#include "editor/core/EditVideoWindowController.h"
#include "tools/batchcut/BatchCutterWindowController.h"
#include "tools/easycut/EasyCutterWindowcontroller.h"
#include "tools/join/JoinnerWindowController.h"
#include "tools/shared/ToolWindow.h"
#include "tools/split/SplitWindowController.h"

namespace {

constexpr int index(HomeTool tool) {
    return static_cast<int>(tool);
}

// A tool window controller is its own top-level window. It is created without a parent, is
// told its opening tool first when it has one, and is deleted once its window closed (by
// itself, or else through Qt::WA_DeleteOnClose). A controller of another shape is a build
// error: a tile must never go quietly dead.
template <class Controller> ToolWindowRegistry::Factory windowFactory(int toolItemType = 0) {
    static_assert(std::is_base_of_v<QWidget, Controller>, "a tool window controller is a QWidget");
    constexpr bool takesType = requires(int type) {
        new Controller(type);
    };
    static_assert(takesType || std::is_default_constructible_v<Controller>,
                  "a tool window controller is made from its opening tool or from nothing");
    return [toolItemType]() -> QWidget* {
        Controller* controller = nullptr;
        if constexpr (takesType) {
            controller = new Controller(toolItemType);
        } else {
            controller = new Controller();
            if constexpr (requires(Controller & c, int type) { c.setToolItemType(type); })
                controller->setToolItemType(toolItemType);
            else
                static_cast<void>(toolItemType); // a window with no opening tool needs none
        }
        // A ToolWindow deletes itself once it has closed and any stopped job has
        // returned; any other controller goes with its window.
        if (!std::is_base_of_v<ToolWindow, Controller>)
            controller->setAttribute(Qt::WA_DeleteOnClose);
        return controller;
    };
}

} // namespace

ToolWindowRegistry& ToolWindowRegistry::shared() {
    static ToolWindowRegistry registry;
    return registry;
}

ToolWindowRegistry::ToolWindowRegistry() {
    factories_[index(HomeTool::EasyCutter)] = windowFactory<EasyCutterWindowcontroller>();
    factories_[index(HomeTool::Joinner)] = windowFactory<JoinnerWindowController>();
    factories_[index(HomeTool::BatchCutter)] = windowFactory<BatchCutterWindowController>();
    factories_[index(HomeTool::Split)] = windowFactory<SplitWindowController>();
    for (HomeTool tool : {HomeTool::AdvancedCutter, HomeTool::Rotate, HomeTool::Crop, HomeTool::Effect,
                          HomeTool::Watermark, HomeTool::Subtitle, HomeTool::AddMusic})
        factories_[index(tool)] = windowFactory<EditVideoWindowController>(editorToolItemType(tool));
}

void ToolWindowRegistry::setFactory(HomeTool tool, Factory factory) {
    factories_[index(tool)] = std::move(factory);
}

bool ToolWindowRegistry::hasFactory(HomeTool tool) const {
    return bool(factories_[index(tool)]);
}

QWidget* ToolWindowRegistry::createWindow(HomeTool tool) const {
    const Factory& factory = factories_[index(tool)];
    if (!factory)
        return nullptr;
    QWidget* window = factory();
    if (!window)
        qCWarning(lcApp) << "tool" << index(tool) << "gave no window";
    return window;
}
