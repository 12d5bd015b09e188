// A picture of a control together with the name it was asked for by.
//
// Controls choose one picture per state and tests (and the gallery) need to know which one
// was chosen even where the file itself is missing, so every picture keeps its name. A
// picture that was never set, or whose file is missing, is "nil": the controls then fall
// back or draw nothing for it, as they would for an absent picture.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class NamedImage {
public:
    NamedImage() = default;
    // The picture at `name` inside Settings.bundle ("Cut/btnPlay_Normal.png"); nil when missing.
    NamedImage(const QString& name); // NOLINT: implicit so that callers can pass a name
    NamedImage(const char* name);    // NOLINT
    // A picture made by the program (a thumbnail); it has no name.
    NamedImage(const QImage& image); // NOLINT
    // A picture with a name given by the caller (used for pictures made in memory).
    NamedImage(const QString& name, const QImage& image);

    const QString& name() const { return m_name; }
    const QImage& image() const { return m_image; }
    // True when there is nothing to draw: never set, or the file is missing.
    bool isNil() const { return m_image.isNull(); }
    explicit operator bool() const { return !isNil(); }
    double width() const { return m_image.isNull() ? 0 : m_image.width(); }
    double height() const { return m_image.isNull() ? 0 : m_image.height(); }

    // Names asked for so far whose files were missing, sorted (for the picture gallery).
    static QStringList missingNames();

private:
    QString m_name;
    QImage m_image;
};
