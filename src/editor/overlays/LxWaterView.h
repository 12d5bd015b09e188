// The transparent view laid exactly over the player's picture while the watermark tool is
// shown. It shows the selected watermark (a picture, a video's still, or a text) in its
// rectangle with a dashed white border and, for pictures, blue handles; the user moves the
// rectangle by dragging inside it and resizes a picture by its corners and edges (keeping the
// picture's proportions in keep-aspect mode). A text can only be moved.
//
// Rectangles are in view points with the origin at the bottom-left; fractions are of the
// view's size. The view knows nothing of the watermark records: the panel feeds it and stores
// what its callbacks report. Main thread only.
#pragma once

#include "platform/Geometry.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSizeF>
#include <QWidget>
#include <functional>

class LxWaterView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMarkPicture = 2;
    static constexpr int kMarkText = 4;
    static constexpr int kScaleFree = 1;
    static constexpr int kScaleKeepAspect = 3;
    static constexpr double kMinSide = 10;
    static constexpr double kMinLeftEdgeGap = 40; // dragging the left edge stops this far from the right

    explicit LxWaterView(const NSRect& frame, QWidget* parent = nullptr);

    void setFrameRect(const NSRect& frame);
    void setVideoSize(QSizeF size) { videoSize_ = size; }
    void setWaterMark(const QImage& picture);
    const QImage& waterMark() const { return picture_; }
    void setWaterMarkString(const QString& text);
    QString waterMarkString() const { return text_; }
    void setWaterMarkFont(const QFont& font);
    QFont waterMarkFont() const { return font_; }
    void setWaterMarkColor(const QColor& colour);
    void setWaterMarkAlph(int percent);
    int waterMarkAlph() const { return alpha_; }
    void setMarkWaterType(int type);
    int markWaterType() const { return markType_; }
    void setScale_Type(int type);
    int scale_Type() const { return scaleType_; }
    void setEnabledForEdit(bool on) { editable_ = on; }

    // The rectangle, its size held to [10, W] x [10, H]; the origin is not moved.
    void setClipRect(const NSRect& rect);
    NSRect getclipRectFrame() const { return rect_; }
    // The rectangle as fractions of the view's size (origin bottom-left).
    NSRect getPercentImageClipRect() const;
    // The rectangle that `rect` would need to fit inside the view with its proportions kept;
    // a rectangle that fits comes back unchanged.
    NSRect getCheckClipRect(const NSRect& rect) const;
    // The box the text needs in the view's font.
    QSizeF measuredTextSize() const;

    // The hit zone of a point: 1..4 corners (top-left, top-right, bottom-left, bottom-right),
    // 5..8 edges (left, right, top, bottom), 9 inside, 0 none.
    int zoneAt(NSPoint p) const;

    // Drag callbacks: at every press, after every drag step (points) and at every release
    // (fractions of the view's size).
    std::function<void()> mouseMoveBegan;
    std::function<void(const NSRect&)> mouseMoved;
    std::function<void(const NSRect&)> mouseMoveEnded;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool hasMark() const;
    bool keepsAspect() const { return scaleType_ == kScaleKeepAspect && !picture_.isNull(); }
    NSPoint pointOf(const QMouseEvent* event) const;
    void dragTo(NSPoint p);
    void resizeKeepingAspect(NSPoint p);
    void updateCursor(NSPoint p);

    NSRect rect_;
    QSizeF videoSize_;
    QImage picture_;
    QString text_;
    QFont font_;
    QColor colour_ = Qt::white;
    int alpha_ = 0;
    int markType_ = 0;
    int scaleType_ = kScaleFree;
    bool editable_ = true;
    int zone_ = 0;
    bool pressInside_ = false;
    double left_ = 0, bottom_ = 0; // press offset from the rectangle's corner, for a move
};
