#include "app/ToolWindowRegistry.h"

#include "platform/Log.h"

#include <QWidget>
#include <type_traits>

// Every tool window that exists in this build. A header that is absent leaves its tile
// without a factory: the tile then shows its disabled picture.
#if __has_include("tools/easycut/EasyCutterWindowcontroller.h")
#include "tools/easycut/EasyCutterWindowcontroller.h"
#define CUTBENCH_HAS_EASYCUT 1
#endif
#if __has_include("editor/core/EditVideoWindowController.h")
#include "editor/core/EditVideoWindowController.h"
#define CUTBENCH_HAS_EDITOR 1
#endif
#if __has_include("tools/join/JoinnerWindowController.h")
#include "tools/join/JoinnerWindowController.h"
#define CUTBENCH_HAS_JOINNER 1
#endif
#if __has_include("tools/batchcut/BatchCutterWindowController.h")
#include "tools/batchcut/BatchCutterWindowController.h"
#define CUTBENCH_HAS_BATCHCUT 1
#endif
#if __has_include("tools/split/SplitWindowController.h")
#include "tools/split/SplitWindowController.h"
#define CUTBENCH_HAS_SPLIT 1
#endif

#if __has_include("tools/shared/ToolWindow.h")
#include "tools/shared/ToolWindow.h"
// A ToolWindow deletes itself once it has closed and any stopped job has returned.
template <class Controller> constexpr bool kDeletesItself = std::is_base_of_v<ToolWindow, Controller>;
#else
template <class Controller> constexpr bool kDeletesItself = false;
#endif

namespace {

constexpr int index(HomeTool tool) {
    return static_cast<int>(tool);
}

// A tool window controller is its own top-level window. It is created without a parent, is
// told its opening tool first when it has one, and is deleted once its window closed (by
// itself, or else through Qt::WA_DeleteOnClose). A controller of another shape leaves its
// tile disabled instead of breaking the build.
template <class Controller> ToolWindowRegistry::Factory windowFactory(int toolItemType = 0) {
    if constexpr (std::is_base_of_v<QWidget, Controller>) {
        return [toolItemType]() -> QWidget* {
            Controller* controller = nullptr;
            if constexpr (requires(int type) { new Controller(type); }) {
                controller = new Controller(toolItemType);
            } else if constexpr (requires { new Controller(); }) {
                controller = new Controller();
                if constexpr (requires(Controller & c, int type) { c.setToolItemType(type); })
                    controller->setToolItemType(toolItemType);
            }
            if (controller)
                controller->setAttribute(Qt::WA_DeleteOnClose);
            return controller;
        };
    } else {
        return {};
    }
}

} // namespace

ToolWindowRegistry& ToolWindowRegistry::shared() {
    static ToolWindowRegistry registry;
    return registry;
}

ToolWindowRegistry::ToolWindowRegistry() {
#ifdef CUTBENCH_HAS_EASYCUT
    factories_[index(HomeTool::EasyCutter)] = windowFactory<EasyCutterWindowcontroller>();
#endif
#ifdef CUTBENCH_HAS_EDITOR
    factories_[index(HomeTool::AdvancedCutter)] = windowFactory<EditVideoWindowController>(1);
    factories_[index(HomeTool::Rotate)] = windowFactory<EditVideoWindowController>(2);
    factories_[index(HomeTool::Crop)] = windowFactory<EditVideoWindowController>(4);
    factories_[index(HomeTool::Effect)] = windowFactory<EditVideoWindowController>(8);
    factories_[index(HomeTool::Watermark)] = windowFactory<EditVideoWindowController>(16);
    factories_[index(HomeTool::Subtitle)] = windowFactory<EditVideoWindowController>(32);
    factories_[index(HomeTool::AddMusic)] = windowFactory<EditVideoWindowController>(64);
#endif
#ifdef CUTBENCH_HAS_JOINNER
    factories_[index(HomeTool::Joinner)] = windowFactory<JoinnerWindowController>();
#endif
#ifdef CUTBENCH_HAS_BATCHCUT
    factories_[index(HomeTool::BatchCutter)] = windowFactory<BatchCutterWindowController>();
#endif
#ifdef CUTBENCH_HAS_SPLIT
    factories_[index(HomeTool::Split)] = windowFactory<SplitWindowController>();
#endif
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
