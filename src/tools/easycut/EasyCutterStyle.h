// Colours, window size and the image-list helpers of the easy cutter's controls.
#pragma once

#include <QColor>
#include <QString>
#include <array>

class ZylButton;

namespace easycutstyle {

inline const QColor kBrandBlue(33, 176, 235);
inline const QColor kLightGrey(245, 245, 245);
constexpr int kWindowWidth = 1040;
constexpr int kWindowHeight = 680;
constexpr int kRowWidth = 140;
constexpr int kRowHeight = 120;
constexpr int kEditorHeight = 48;

// Images of the looks normal, hover, pressed, selected and disabled ("" = none).
using ImageList = std::array<QString, 5>;
void setButtonImages(ZylButton* button, const ImageList& names);
void setButtonBackgrounds(ZylButton* button, const ImageList& names);

} // namespace easycutstyle
