// The rotate tool: quarter turns, the two mirrors as the user sees them, and reset. Each step
// goes through the host, whose edit state carries the crop and the subtitle along and whose
// tools carry their own overlays.
//
// Main thread only; a child of its panel.
#pragma once

#include "editor/core/EditorTool.h"

#include <QObject>

class ZylButton;
class ZylImageView;

class RotateTool : public QObject, public EditorTool {
public:
    RotateTool(EditorHost& host, ZylImageView* panel);

    void rotateAction(bool right);
    void mirrorAction(bool horizontal);
    void rotateResetAction();
    ZylButton* rotateButton(bool right) const { return right ? rightBtn_ : leftBtn_; }
    ZylButton* mirrorButton(bool horizontal) const { return horizontal ? hMirrorBtn_ : vMirrorBtn_; }
    ZylButton* rotateResetButton() const { return rotateResetBtn_; }

    // EditorTool
    void setEditable(bool editable) override;

private:
    void buildPanel(ZylImageView* panel);

    ZylButton* leftBtn_ = nullptr;
    ZylButton* rightBtn_ = nullptr;
    ZylButton* hMirrorBtn_ = nullptr;
    ZylButton* vMirrorBtn_ = nullptr;
    ZylButton* rotateResetBtn_ = nullptr;
};
