// The tile pictures of the output-format browsers, as far as the program draws them itself.
//
// Shipped tiles are drawn at build time with the container and codec of their profile; the
// words on a tile (the "Keep Original" tile's name, "Video" or "Audio" under a container
// without codec, a user-made profile's own name) are the interface language's, so the
// browser writes them into the tile's lower band when it shows the tile. A user-made profile
// gets a tile of its container when it is saved.
#pragma once

#include <QImage>
#include <QString>

namespace profiletile {
// The size the tiles are drawn at (points = pixels at 1x).
inline constexpr int kWidth = 90;
inline constexpr int kHeight = 95;

// The tile with caption written into its lower band (in as many lines and as small a font
// as it takes to fit). An empty caption or a null tile gives the tile unchanged.
QImage withCaption(const QImage& tile, const QString& caption);
// The tile of a user-made profile: its container's name (e.g. "MKV") on the colour of its
// kind (sound only or video), the lower band left for the caption.
QImage containerTile(const QString& container, bool audioOnly);
} // namespace profiletile
