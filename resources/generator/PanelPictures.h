// Pictures that are not buttons: bar tracks and handles, field and row backgrounds, the
// format browser's band, the audio-only thumbnail and the application icon.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

class PanelPictures {
public:
    // A flat bar (trim bar, progress bar and slider tracks) with rounded ends.
    static QImage track(QSize size, const QColor& color);
    // A text-field background: white with a thin grey frame.
    static QImage field(QSize size);
    // Segment row card of the easy cutter's list.
    static QImage segmentRow(QSize size, bool selected);
    // Background of the segment editor that floats over the list.
    static QImage actionPanel(QSize size);
    // Round slider thumb.
    static QImage knob(QSize size);
    // Trim bar handle: a bracket at the start (`left`) or the end of the range.
    static QImage trimHandle(QSize size, bool left);
    // Trim bar play head: a pointer with a stem.
    static QImage playHead(QSize size);
    // Fold arrow of the format browser's title.
    static QImage foldArrow(QSize size, bool down);
    // Page arrow of the format browser.
    static QImage pageArrow(QSize size, bool left, bool enabled);
    static QImage switchBackground(QSize size);
    static QImage switchKnob(QSize size);
    // Subtitle position box: a frame standing for the picture, with the nine anchors.
    static QImage positionBox(QSize size);
    static QImage tabSelected(QSize size);
    static QImage tabBand(QSize size);
    static QImage categoryHead(QSize size);
    static QImage selectionMarker(QSize size);
    static QImage gearButton(QSize size);
    static QImage separator(QSize size);
    static QImage cancelButton(QSize size, bool pressed);
    // Thumbnail of a file without a picture.
    static QImage audioThumbnail(QSize size);
    static QImage appIcon(int side);
    // Splitter marker bar pieces: the begin marker and a split point.
    static QImage splitMarker(QSize size, bool begin, bool pressed);
    // Small check box at the left edge of a wide button.
    static QImage smallCheck(QSize size, bool checked);
};
