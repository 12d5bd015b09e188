// The image slider of the tool windows (play position, volumes, opacity): a thin bar with a
// filled part and a thumb that the user drags to choose a fraction 0..1. It only arranges
// three picture views and reports presses, drags and releases to its delegate.
#pragma once

#include "foundation/controls/LxProgressSliderDelegate.h"
#include "foundation/controls/PictureArrangement.h"
#include "foundation/controls/WeakDelegate.h"

class LxProgressSlider : public PictureArrangement {
    Q_OBJECT
public:
    // A slider as a window description builds it.
    explicit LxProgressSlider(QWidget* parent = nullptr);
    // A slider made in code at `frame` (in the parent).
    LxProgressSlider(const NSRect& frame, QWidget* parent);
    ~LxProgressSlider() override;

    // The picture views, laid out for the slider's current size.
    NSImageView* progressBackView() const { return sync(), m_back; }
    NSImageView* progressTintView() const { return sync(), m_tint; }
    NSImageView* tickMarkView() const { return sync(), m_thumb; }

    float progress() const { return m_progress; }
    // Places the thumb and the filled part; tells the delegate nothing. A value outside
    // 0..1 is kept as given and shown at the nearer end.
    void setProgress(float progress);
    // While set, the slider ignores the mouse (it is still drawn as usual).
    bool disable() const { return m_disable; }
    void setDisable(bool disable) { m_disable = disable; }
    // When set, the thumb takes its picture's own size, centred vertically.
    bool tickrefresh() const { return m_tickrefresh; }
    void setTickrefresh(bool refresh);

    LxProgressSliderDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LxProgressSliderDelegate* delegate) { m_delegate.reset(delegate); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void build();
    void layoutForSize() override;
    double thumbXFor(double progress) const;
    void followPointer(double px);

    NSImageView* m_back = nullptr;
    NSImageView* m_tint = nullptr;
    NSImageView* m_thumb = nullptr;
    NSRect m_B, m_fill, m_T;
    float m_progress = 0;
    bool m_disable = false;
    bool m_tickrefresh = false;
    WeakDelegate<LxProgressSliderDelegate> m_delegate;
};
