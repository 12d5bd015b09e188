// The editor's picture tools: the crop tool (the crop view over the picture and its panel of
// sizes and offsets), the rotate tool (quarter turns, mirrors, reset) and the effects tool
// (volume, brightness, contrast, saturation and the image-effect list).
//
// Every change goes to the preview player at once (redrawing the frame while paused) and into
// the editor's edit state, which the export hands to the engine; both run the same filter
// graph, so the export writes what the preview shows. The crop is kept in picture pixels:
// refitting the window only moves the crop view, and turns and mirrors carry the crop, the
// watermarks and the subtitle along so they stay on the same part of the picture.
//
// The window owns this object and its panels (they are children of the window's panels).
// Main thread only.
#pragma once

#include "editor/picture/EffectList.h"
#include "editor/picture/LxUICliper.h"
#include "editor/picture/PictureGeometry.h"

#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <functional>
#include <vector>

class EditVideoWindowController;
class EffectTableCellView;
class LxMoviePlayer;
class LxTextField;
class QLabel;
class QScrollArea;
class QSlider;
class ZylButton;
class ZylImageView;

class PictureTools : public QObject, public LxUICliperDelegate {
public:
    PictureTools(EditVideoWindowController& window, ZylImageView* cropPanel, ZylImageView* rotatePanel,
                 ZylImageView* effectPanel);
    ~PictureTools() override;

    // Hooks of the window.
    void fileOpened();            // a new file and player: new crop view, controls from the state
    void enableEdit(bool enable); // the editing controls of the three panels as one group
    void pictureRefitted();       // the picture's rectangle or the tool changed

    // Called after each turn or mirror with the picture's size before it, so that overlays
    // kept elsewhere can follow (the open file's watermark and the subtitle are moved here).
    std::function<void(picture::Turn, QSizeF before)> onPictureTurned;

    // Crop tool.
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

    // Rotate tool.
    void rotateAction(bool right);
    void mirrorAction(bool horizontal);
    void rotateResetAction();
    ZylButton* rotateButton(bool right) const { return right ? rightBtn_ : leftBtn_; }
    ZylButton* mirrorButton(bool horizontal) const { return horizontal ? hMirrorBtn_ : vMirrorBtn_; }
    ZylButton* rotateResetButton() const { return rotateResetBtn_; }

    // Effects tool.
    void volumeSliderMoved(int value);
    void adjustSliderMoved();
    void effectToggled(int64_t row);
    void effectResetAction();
    QSlider* volumeSlider() const { return volumeSlider_; }
    QSlider* brightnessSlider() const { return brightnessSlider_; }
    QSlider* contrastSlider() const { return contrastSlider_; }
    QSlider* saturationSlider() const { return saturationSlider_; }
    QLabel* volumeValueLabel() const { return volumeValueLabel_; }
    QLabel* brightnessValueLabel() const { return brightnessValueLabel_; }
    QLabel* contrastValueLabel() const { return contrastValueLabel_; }
    QLabel* saturationValueLabel() const { return saturationValueLabel_; }
    const std::vector<EffectListEntry>& effectTypes() const { return effectTypes_; }
    const std::vector<EffectTableCellView*>& effectTableCells() const { return effectCells_; }
    ZylButton* effectResetButton() const { return effectResetBtn_; }

private:
    void initCropView(ZylImageView* panel);
    void initAdjustView(ZylImageView* panel);
    void initEffectView(ZylImageView* panel);
    void initPlayerCliper();
    LxMoviePlayer* player() const;
    void refreshIfPaused();
    QSizeF videoSize() const;
    // The edit state's crop rectangle in the crop view's points, and back.
    CGRect cropInView() const;
    void storeCrop(const NSRect& pixels);
    void showCropFields();
    void placeCropView();
    void resetCropToWholePicture();
    void turnEverything(picture::Turn turn);
    void undoTurns();
    void syncEffectControls();

    EditVideoWindowController& window_;
    QPointer<LxUICliper> cliper_;

    LxTextField* cropWidthField_ = nullptr;
    LxTextField* cropHeightField_ = nullptr;
    LxTextField* cropTopField_ = nullptr;
    LxTextField* cropLeftField_ = nullptr;
    QLabel* originalSizeLabel_ = nullptr;
    ZylButton* keepAspectBtn_ = nullptr;
    ZylButton* cropResetBtn_ = nullptr;

    ZylButton* leftBtn_ = nullptr;
    ZylButton* rightBtn_ = nullptr;
    ZylButton* hMirrorBtn_ = nullptr;
    ZylButton* vMirrorBtn_ = nullptr;
    ZylButton* rotateResetBtn_ = nullptr;

    QSlider* volumeSlider_ = nullptr;
    QSlider* brightnessSlider_ = nullptr;
    QSlider* contrastSlider_ = nullptr;
    QSlider* saturationSlider_ = nullptr;
    QLabel* volumeValueLabel_ = nullptr;
    QLabel* brightnessValueLabel_ = nullptr;
    QLabel* contrastValueLabel_ = nullptr;
    QLabel* saturationValueLabel_ = nullptr;
    std::vector<EffectListEntry> effectTypes_;
    std::vector<EffectTableCellView*> effectCells_;
    QScrollArea* effectScroll_ = nullptr;
    ZylButton* effectResetBtn_ = nullptr;
};
