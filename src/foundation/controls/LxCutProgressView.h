// The trim bar: two handles mark a lower and an upper fraction of a media file, a band
// shows the chosen part, and a small tick marks the play head. In the inverse mode
// (`isFanxuan`) the band marks the part to be removed and what lies outside the handles
// remains. The bar only arranges five picture views; it reports presses, drags and
// releases to its delegate.
//
// Geometry is kept in points with the origin at the bottom left (see platform/Geometry.h);
// every fraction the bar reports lies in 0..1, whatever its width.
#pragma once

#include "foundation/controls/LxCutProgressViewDelegate.h"
#include "foundation/controls/PictureArrangement.h"
#include "foundation/controls/WeakDelegate.h"

class LxCutProgressView : public PictureArrangement {
    Q_OBJECT
public:
    // A bar as a window description builds it: the play head may be dragged.
    explicit LxCutProgressView(QWidget* parent = nullptr);
    // A bar made in code at `frame` (in the parent): the play head may not be dragged until
    // setTickMark(true).
    LxCutProgressView(const NSRect& frame, QWidget* parent);
    ~LxCutProgressView() override;

    // The picture views, laid out for the bar's current size.
    NSImageView* progressBackView() const { return sync(), m_back; }
    NSImageView* progressTintView() const { return sync(), m_tint; }
    NSImageView* tickMarkView() const { return sync(), m_tick; }
    NSImageView* handLeftView() const { return sync(), m_left; }
    NSImageView* handRightView() const { return sync(), m_right; }

    // 1 easy cutter, 2 music range, anything else the default look.
    int type() const { return m_type; }
    void setType(int type);
    bool isFanxuan() const { return m_isFanxuan; }
    void setIsFanxuan(bool inverse);
    // While set, the bar ignores the mouse and hides its handles.
    bool disable() const { return m_disable; }
    void setDisable(bool disable);
    // Whether the play head may be dragged.
    bool tickMark() const { return m_tickMark; }
    void setTickMark(bool tickMark) { m_tickMark = tickMark; }
    bool tickHidden() const { return m_tickHidden; }
    void setTickHidden(bool hidden);

    float progress() const { return sync(), m_progress; }
    void setProgress(float progress);
    float lowerValue() const { return sync(), m_lowerValue; }
    void setLowerValue(float lower);
    float upperValue() const { return sync(), m_upperValue; }
    void setUpperValue(float upper);
    // Both at once; an upper value of 0 means the end.
    void setLowerValue(float lower, float upper);

    // The handle placed last: 1 left, 2 right.
    int handleType() const { return m_handleType; }
    // What the current press has grabbed.
    bool handLeft() const { return m_handLeft; }
    bool handRight() const { return m_handRight; }
    bool handtick() const { return m_handtick; }

    LxCutProgressViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LxCutProgressViewDelegate* delegate) { m_delegate.reset(delegate); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void build(bool tickMark);
    void layoutAtCreation();
    void layoutForSize() override;
    void layoutBand();
    void applyImages();
    void placeRightHandle(double upper);
    void placeLeftHandle(double lower);
    double upperMarkX() const;
    double tickCentreFraction() const;
    NSPoint pointer(const QMouseEvent* event) const;
    void sendSeek(double fraction);

    NSImageView* m_back = nullptr;
    NSImageView* m_tint = nullptr;
    NSImageView* m_tick = nullptr;
    NSImageView* m_left = nullptr;
    NSImageView* m_right = nullptr;
    // Frames as computed (exact); the views show them rounded.
    NSRect m_B, m_band, m_T, m_L, m_R;

    int m_type = 0;
    bool m_isFanxuan = false;
    bool m_disable = false;
    bool m_tickMark = false;
    bool m_tickHidden = false;
    float m_progress = 0;
    float m_lowerValue = 0;
    float m_upperValue = 0;
    int m_handleType = 0;
    bool m_handLeft = false;
    bool m_handRight = false;
    bool m_handtick = false;
    WeakDelegate<LxCutProgressViewDelegate> m_delegate;
};
