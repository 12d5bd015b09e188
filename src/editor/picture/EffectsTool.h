// The effects tool: the volume, brightness, contrast and saturation sliders and the list of
// image effects (read from Settings.bundle/EffectList.plist). It changes only the edit state,
// which keeps the checked effects in ascending id order whatever the order of the clicks; the
// preview and the export take them from there.
//
// Main thread only; a child of its panel.
#pragma once

#include "editor/core/EditorTool.h"
#include "editor/picture/EffectList.h"

#include <QObject>
#include <cstdint>
#include <vector>

class EffectTableCellView;
class QLabel;
class QScrollArea;
class QSlider;
class ZylButton;
class ZylImageView;

class EffectsTool : public QObject, public EditorTool {
public:
    EffectsTool(EditorHost& host, ZylImageView* panel);

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

    // EditorTool
    void fileOpened() override { syncEffectControls(); }
    void setEditable(bool editable) override;

private:
    void buildPanel(ZylImageView* panel);
    // The sliders, labels and rows as the edit state has them.
    void syncEffectControls();

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
