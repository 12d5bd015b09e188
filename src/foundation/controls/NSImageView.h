// The plain picture view that the bars, sliders and buttons arrange: it shows one picture,
// scaled to its frame, and handles no mouse events itself (presses reach its parent; a
// control whose pictures must never catch the pointer also makes them mouse-transparent).
//
// Its frame is kept as given (points, origin bottom left, in the parent) so that the
// controls can compute with exact values; the Qt geometry is the rounded image of it.
#pragma once

#include "foundation/controls/NamedImage.h"
#include "platform/Geometry.h"

#include <QWidget>

class NSImageView : public QWidget {
    Q_OBJECT
public:
    enum class Scaling {
        AxesIndependently,      // fill the frame, stretching each axis on its own
        ProportionallyUpOrDown, // as large as fits, keeping the aspect ratio, centred
        ProportionallyDown,     // as above, but never larger than the picture itself
        None,                   // the picture's own size, centred
    };

    explicit NSImageView(QWidget* parent = nullptr);
    ~NSImageView() override;

    void setImage(const NamedImage& image);
    const NamedImage& image() const { return m_image; }
    // The name of the picture shown ("" without one).
    QString imageName() const { return m_image.name(); }

    void setImageScaling(Scaling s);
    Scaling imageScaling() const { return m_scaling; }
    // Rounds the picture's corners (points; 0 for square corners).
    void setCornerRadius(double r);

    // The frame in the parent, bottom-left; setting it moves the widget.
    void setFrame(const NSRect& r);
    NSRect frame() const { return m_frame; }
    // Puts the widget where the stored frame says, after the parent's height changed.
    void applyFrame();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NamedImage m_image;
    Scaling m_scaling = Scaling::AxesIndependently;
    double m_cornerRadius = 0;
    NSRect m_frame;
};
