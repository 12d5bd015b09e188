#include "editor/core/EditorCallbacks.h"

#include "editor/overlays/MarkText.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The text of a mark, or nothing when its bytes are not valid UTF-8.
QString markText(const TEXT_WATERMARK_PARAM& param) {
    const std::string bytes = mediarecords::readText(param.text);
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return decode.hasError() ? QString() : text;
}

QColor markColour(const TEXT_WATERMARK_PARAM& param) {
    const uint32_t word = param.fontclr;
    QColor colour(int((word >> 8) & 255), int((word >> 16) & 255), int((word >> 24) & 255));
    colour.setAlphaF(float(1.0 - std::clamp(param.transparence, 0, 100) / 100.0));
    return colour;
}

QImage readPicture(const char* path) {
    if (!path || !*path)
        return {};
    QImageReader reader(QString::fromUtf8(path));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide))
        return {};
    QImage image = reader.read();
    if (image.isNull() || image.width() > kMaxPictureSide || image.height() > kMaxPictureSide)
        return {};
    return image;
}

} // namespace

void drawTextCallback(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM param) {
    if (!buffer || width <= 0 || height <= 0 || width > INT_MAX / 4 || param.fontsize <= 0 ||
        param.transparence >= 100)
        return;
    const QString text = markText(param);
    if (text.isEmpty())
        return;
    QImage canvas(buffer, width, height, qsizetype(width) * 4, QImage::Format_RGBA8888_Premultiplied);
    QPainter painter(&canvas);
    const MarkText mark{text, QString::fromUtf8(mediarecords::readText(param.szFontName)),
                        double(param.fontsize), markColour(param)};
    paintMarkText(painter, mark, QPointF(param.rect.left, double(height) - param.rect.top));
}

int playerLoadImageCallback(const char* path, int* width, int* height, int bufferSize,
                            unsigned char* buffer) {
    QImage image = readPicture(path);
    if (image.isNull())
        return 0;
    if (!buffer) {
        if (width)
            *width = image.width();
        if (height)
            *height = image.height();
        return 1;
    }
    const int64_t rowBytes = int64_t(image.width()) * 4;
    const int64_t need = rowBytes * image.height();
    if (bufferSize < 0 || need > bufferSize)
        return 0;
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull())
        return 0;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(buffer + y * rowBytes, image.constScanLine(y), size_t(rowBytes));
    return 1;
}
