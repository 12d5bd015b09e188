// The editor's tool bar and tool panels: one button in the bar and one panel in the left
// column for each row of the tool table, in bar order. A press on a button asks for its tool.
//
// Main thread only; the buttons and panels are children of the views they are built in.
#pragma once

#include <functional>
#include <vector>

class QWidget;
class ToolWindow;
class ZylButton;
class ZylImageView;

class EditorToolStrip {
public:
    static constexpr double kPanelHeight = 390;
    static constexpr double kStripHeight = 40;

    // `open` is called, after the press has been handled, with the code of the tool asked for.
    EditorToolStrip(ToolWindow& window, QWidget* bar, QWidget* column,
                    const std::function<void(int code)>& open);

    const std::vector<ZylButton*>& buttons() const { return buttons_; }
    const std::vector<ZylImageView*>& panels() const { return panels_; }
    // Shows the panel and marks the button at bar position `shown`.
    void select(size_t shown);
    void setEnabled(bool enabled);
    // Places the buttons in the bar and the panels at the top of a column `columnHeight` high.
    void layout(double columnHeight);

private:
    std::vector<ZylButton*> buttons_;
    std::vector<ZylImageView*> panels_;
};
