// The export progress bar: a background picture with a tint picture over the done part,
// inset by a rim of the background so that the tint stands out on any panel. The bar does
// not limit the value (1.5 draws the tint past the end, where the bar clips it); values
// that are not finite or below 0 draw no tint.
#pragma once

#include "foundation/controls/PictureArrangement.h"

class NSProgressView : public PictureArrangement {
    Q_OBJECT
public:
    explicit NSProgressView(QWidget* parent = nullptr);
    NSProgressView(const NSRect& frame, QWidget* parent);
    ~NSProgressView() override;

    // The picture views, laid out for the bar's current size.
    NSImageView* progressBackView() const { return sync(), m_back; }
    NSImageView* progressTintView() const { return sync(), m_tint; }
    float progress() const { return m_progress; }
    // The background's rim around the tint, in points (none on a bar under 6 points).
    static constexpr double kTintRim = 2;
    void setProgress(float progress);

private:
    void build();
    void layoutForSize() override;

    NSImageView* m_back = nullptr;
    NSImageView* m_tint = nullptr;
    float m_progress = 0;
};
