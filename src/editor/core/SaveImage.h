// Writes a picture as a PNG file for the media engine (a watermark's picture, a text mark's
// rendering). The file appears whole or not at all; no folder is made.
#pragma once

#include <QImage>
#include <QString>

// Writes `image` as PNG to `path` (a leading "~" stands for the home folder), replacing the
// file there. Returns false, leaving no file behind, for a null image, a missing folder or a
// failed write; the failure is logged with its reason.
bool saveImage(const QImage& image, const QString& path);
