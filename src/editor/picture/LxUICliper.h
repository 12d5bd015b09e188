// The crop rectangle drawn over the picture: everything outside it is dimmed by four
// half-transparent masks, the rectangle has a dashed outline with square handles, and the
// user drags its corners, the middles of its edges, or the whole rectangle. The view reports
// the rectangle in its own points to a delegate; the owner converts it into picture pixels.
//
// Coordinates are the view's own points with the origin at the bottom-left corner, y upward.
// The rectangle never leaves the view: drags and placed rectangles are held inside it.
// Main thread only; the delegate is not owned and must outlive the view or be cleared.
#pragma once

#include "platform/Geometry.h"

#include <QSizeF>
#include <QWidget>
#include <array>

class LxUICliper;

// A plain filled view: the crop view's masks.
class LxCropTmpView : public QWidget {
public:
    explicit LxCropTmpView(QWidget* parent);
    void setBackgroundColor(const QColor& c);
    QColor backgroundColor() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

class LxUICliperDelegate {
public:
    virtual ~LxUICliperDelegate() = default;
    virtual void actionMoveBeginForLxUICliperBlock(LxUICliper*, const CGRect&) {}
    // Only when fileType is 1 and the pointer is released where it was pressed; the rectangle
    // as fractions of the view.
    virtual void actionMoveEndForLxUICliperBlock(LxUICliper*, const CGRect&) {}
    // After every drag step, also when nothing moved; the rectangle in view points.
    virtual void actionMovedForLxUICliperBlock(LxUICliper*, const CGRect&) {}
};

class LxUICliper : public QWidget {
public:
    // The smallest side setClipRect accepts, and the gap a dragged edge keeps to the opposite one.
    static constexpr double kMinSide = 60;
    static constexpr double kMinGap = 20;

    LxUICliper(const CGRect& frame, QWidget* parent);

    void setDelegate(LxUICliperDelegate* d) { delegate_ = d; }
    void setFrameRect(const CGRect& frame);
    void setVideoSize(QSizeF size);
    QSizeF videoSize() const { return videoSize_; }
    // Places the rectangle (view points): each side at least kMinSide (or the view's side) and
    // at most the view's, moved inside the view.
    void setClipRect(const CGRect& r);
    // 2 keeps the picture's aspect while a corner is dragged; any other value drags freely.
    void setCropType(int type);
    int cropType() const { return cropType_; }
    void setFileType(int type) { fileType_ = type; }

    CGRect getclipRectFrame() const { return cliprect_; }
    // The rectangle in picture pixels (the view has the picture's proportions).
    CGRect getclipRect() const;
    CGRect getPercentClipRect() const;
    double getclipRectScale() const;
    int cropTouchPoint() const { return zone_; }

    const std::array<LxCropTmpView*, 4>& masks() const { return masks_; } // left, top, right, bottom

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    NSPoint pointOf(const QMouseEvent* event) const;
    int zoneAt(NSPoint p);
    void freeDrag(NSPoint p, double& L, double& B, double& R, double& T) const;
    void keepAspectDrag(NSPoint p, double& L, double& B, double& R, double& T) const;
    void move(NSPoint p);
    void layoutMasks(const CGRect& r);
    void finishStep();

    LxUICliperDelegate* delegate_ = nullptr;
    CGRect cliprect_;
    NSPoint touchBeginPoint_;
    CGRect oFrame_;
    QSizeF videoSize_;
    int zone_ = 0;
    double left_ = 0, bottom_ = 0;
    int cropType_ = 0;
    int fileType_ = 0;
    std::array<LxCropTmpView*, 4> masks_{};
};
