// The crop tool: the crop view over the picture and its panel of sizes and offsets. The crop
// is kept in the edit state in picture pixels: refitting the window only moves the crop view,
// and turns and mirrors carry the crop along so it stays on the same part of the picture.
// Reset takes the picture back to the file's own orientation without a crop.
//
// Main thread only; a child of its panel.
#pragma once

#include "editor/core/EditorTool.h"
#include "editor/picture/LxUICliper.h"

#include <QObject>
#include <QPointer>
#include <QSizeF>

class LxTextField;
class QLabel;
class ZylButton;
class ZylImageView;

class CropTool : public QObject, public EditorTool, public LxUICliperDelegate {
public:
    CropTool(EditorHost& host, ZylImageView* panel);
    ~CropTool() override;

    void actionMovedForLxUICliperBlock(LxUICliper* cliper, const CGRect& r) override;
    void keepAspectAction();
    void cropResetAction();
    // A typed crop value, as after editing ends in that field; the field shows what was kept.
    void cropFieldEdited(LxTextField* field);
    LxUICliper* cliper() const { return cliper_; }
    LxTextField* cropWidthField() const { return cropWidthField_; }
    LxTextField* cropHeightField() const { return cropHeightField_; }
    LxTextField* cropTopField() const { return cropTopField_; }
    LxTextField* cropLeftField() const { return cropLeftField_; }
    QLabel* originalSizeLabel() const { return originalSizeLabel_; }
    ZylButton* keepAspectButton() const { return keepAspectBtn_; }
    ZylButton* cropResetButton() const { return cropResetBtn_; }

    // EditorTool
    void fileOpened() override;
    void setEditable(bool editable) override;
    void setShown(bool shown) override;
    void pictureTurned(picture::Turn turn, QSizeF before) override;
    void pictureMoved() override;

private:
    void buildPanel(ZylImageView* panel);
    void initPlayerCliper();
    QSizeF videoSize() const;
    // The edit state's crop rectangle in the crop view's points.
    CGRect cropInView() const;
    void storeCrop(const NSRect& pixels);
    void showCropFields();
    void placeCropView();
    void resetCropToWholePicture();

    QPointer<LxUICliper> cliper_;
    bool shown_ = false;
    LxTextField* cropWidthField_ = nullptr;
    LxTextField* cropHeightField_ = nullptr;
    LxTextField* cropTopField_ = nullptr;
    LxTextField* cropLeftField_ = nullptr;
    QLabel* originalSizeLabel_ = nullptr;
    ZylButton* keepAspectBtn_ = nullptr;
    ZylButton* cropResetBtn_ = nullptr;
};
