#include "editor/core/EditorToolStrip.h"

#include "editor/core/EditorToolTable.h"
#include "foundation/controls/FontFit.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/Geometry.h"
#include "tools/shared/Loc.h"
#include "tools/shared/ToolWindow.h"

#include <QLabel>

namespace {

using geometry::setFrame;

constexpr double kButtonWidth = 124;
constexpr double kButtonStep = 125;

NSRect buttonFrame(size_t position) {
    return NSMakeRect(1 + kButtonStep * double(position), 0, kButtonWidth, EditorToolStrip::kStripHeight);
}

ZylButton* toolButton(const EditorToolRow& row, size_t position, QWidget* bar) {
    auto* b = new ZylButton(buttonFrame(position), bar);
    const QString stem = QString::fromUtf8(row.buttonStem);
    b->setNormalBackgroundImage(NamedImage(stem + "_Normal.bmp"));
    b->setDownBackgroundImage(NamedImage(stem + "_Down.bmp"));
    b->setSelectedBackgroundImage(NamedImage(stem + "_Down.bmp"));
    b->setOnBackgroundImage(NamedImage(stem + "_On.bmp"));
    b->setDisAbleBackgroundImage(NamedImage(stem + "_Disable.bmp"));
    b->setContentColor(Qt::white);
    // The strip's pictures draw the tool's icon in their first 30 points; the title keeps
    // clear of it and has the rest of the button.
    b->setLeftIconWidth(16);
    b->setContentImagePosition(0);
    b->setContentTitle(loc(row.buttonTitleKey));
    controls::fitButtonFont(b, 12, 10);
    b->setCornerRadius(1);
    b->setBorderWidth(0);
    b->setIndex(row.code);
    b->setEnabled(false);
    return b;
}

ZylImageView* toolPanel(const EditorToolRow& row, QWidget* column) {
    constexpr double H = EditorToolStrip::kPanelHeight;
    auto* panel = new ZylImageView(column);
    panel->setObjectName(QString::fromUtf8(row.buttonTitleKey));
    panel->resize(230, int(H));
    // Each panel is headed by its tool's name; the tool fills the rest.
    auto* title = new QLabel(loc(row.buttonTitleKey), panel);
    title->setObjectName("panelTitle");
    setFrame(title, NSMakeRect(5, H - 40, 220, 30));
    controls::fitLabelFont(title, 16, 12);
    panel->hide();
    return panel;
}

} // namespace

EditorToolStrip::EditorToolStrip(ToolWindow& window, QWidget* bar, QWidget* column,
                                 const std::function<void(int code)>& open) {
    const auto& rows = editorToolRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        ZylButton* b = toolButton(rows[i], i, bar);
        // Like every button of the window, the press only queues the switch.
        const int code = rows[i].code;
        b->mouseDownAction = window.afterClick([open, code] { open(code); });
        buttons_.push_back(b);
        panels_.push_back(toolPanel(rows[i], column));
    }
}

void EditorToolStrip::select(size_t shown) {
    for (size_t i = 0; i < panels_.size(); ++i) {
        panels_[i]->setVisible(i == shown);
        buttons_[i]->setSelected(i == shown);
    }
}

void EditorToolStrip::setEnabled(bool enabled) {
    for (ZylButton* b : buttons_)
        b->setEnabled(enabled);
}

void EditorToolStrip::layout(double columnHeight) {
    for (size_t i = 0; i < buttons_.size(); ++i)
        setFrame(buttons_[i], buttonFrame(i));
    for (ZylImageView* panel : panels_)
        setFrame(panel, NSMakeRect(5, columnHeight - kPanelHeight - 5, 230, kPanelHeight));
}
