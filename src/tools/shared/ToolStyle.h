// The look every tool window shares: its colours, title fonts, and the picture sets of its
// image buttons. A window sets its own geometry; what two windows draw alike comes from here.
//
// A picture set names one picture per look of a ZylButton, in the order normal, hovered,
// pressed, selected, disabled ("" = none). GUI thread only.
#pragma once

#include <QColor>
#include <QString>
#include <array>

class QLabel;
class QWidget;
class ZylButton;

namespace toolstyle {

// The window background behind the panels.
inline const QColor kBrandBlue(33, 176, 235);
// The panels on the window background.
inline const QColor kLightGrey(245, 245, 245);
// The face of the add-file buttons.
inline const QColor kAddFileBlue(90, 216, 238);
// The border of the empty-list box.
inline const QColor kFrameGrey(214, 212, 212);
// A plain button's face while disabled.
inline const QColor kDisabledGrey(221, 221, 221);

// Point sizes of the shared titles.
constexpr int kStartTitlePoints = 18;
constexpr int kHintPoints = 14;

using ImageList = std::array<QString, 5>;

// "<stem>_Normal<ext>", "<stem>_On<ext>", "<stem>_Down<ext>", selected, "<stem>_Disable<ext>".
ImageList pictureSet(const QString& stem, const QString& ext, const QString& selected = QString());

// The shared sets (each look its own picture, named by the look).
ImageList addFilePictures();      // the add-file button's background
ImageList smallAddFilePictures(); // the small add-file button's background
ImageList startPictures();        // the Start button's background; selected = pressed
ImageList browsePictures();       // the reveal-folder button: one picture for every look
ImageList joinPlayPictures();     // the round play button; selected = pause
ImageList joinStopPictures();     // the round stop button
ImageList openVolumePictures();   // the volume button while sound is on
ImageList closeVolumePictures();  // the volume button while muted

void setButtonImages(ZylButton* button, const ImageList& names);
void setButtonBackgrounds(ZylButton* button, const ImageList& names);

// The blue add-file button with its white title.
void styleAddFileButton(ZylButton* button, const QString& title);
// The large Start button with its white title.
void styleStartButton(ZylButton* button, const QString& title);

// Fills a window or panel with a colour.
void paintBackground(QWidget* widget, const QColor& colour);
// White text, for labels on the window background.
void whiteText(QLabel* label);
// Sets a widget's font size, keeping its family.
void setPointSize(QWidget* widget, int points);

} // namespace toolstyle
