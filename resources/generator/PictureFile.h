// Writes a picture in the format its name asks for: ".bmp" as an opaque 24-bit bitmap
// (transparent parts laid on a matte colour), ".png" as PNG with alpha.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

class PictureFile {
public:
    // Creates missing folders. False (with a message on stderr) when the file cannot be
    // written.
    static bool save(const QImage& image, const QString& path, const QColor& matte);
};
