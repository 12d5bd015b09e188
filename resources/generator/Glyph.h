// The pictograms of the interface: each one is drawn with QPainter paths in a 100 x 100
// box, so the same drawing serves a 16-pixel link icon and a 110-pixel tile watermark.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>

enum class GlyphId {
    None,
    Scissors,
    FilmStrip,
    FilmCut,
    BatchCut,
    Join,
    Split,
    Crop,
    Rotate,
    Wand,
    Watermark,
    Subtitle,
    Music,
    Play,
    Pause,
    Stop,
    Preview,
    SetStart,
    SetEnd,
    Camera,
    CameraSet,
    VolumeOn,
    VolumeOff,
    Folder,
    FolderPlus,
    Plus,
    Minus,
    ArrowUp,
    ArrowDown,
    Trash,
    Envelope,
    Info,
    Home,
    Check,
    Gear,
    ChevronLeft,
    ChevronRight,
    TriangleDown,
    TriangleRight,
    AddText,
    AddPicture,
    RotateLeft,
    RotateRight,
    FlipHorizontal,
    FlipVertical,
    PointAdd,
    PointPrevious,
    PointNext,
    PointRemove,
    Export,
    Close,
    Original,
};

class Glyph {
public:
    // Draws `id` in `color`, fitted into `box` (kept square, centred). Cut-outs of the
    // pictogram stay transparent, whatever lies below.
    static void draw(QPainter& painter, GlyphId id, const QRectF& box, const QColor& color);
    // The pictogram alone on a transparent layer of `side` x `side` pixels.
    static QImage layer(GlyphId id, int side, const QColor& color);
};
