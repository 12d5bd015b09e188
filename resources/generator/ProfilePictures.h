// Tiles of the output-format browsers: one picture per profile file ("mp4(H.264).pf"
// gets "mp4(H.264).png" showing MP4 over H.264) and "Keep Original.png" in every category.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class ProfilePictures {
public:
    // The tile of one profile, by its item name (the file name without ".pf").
    static QImage tile(const QString& profileName, const QString& category);
    // The container and codec labels read from a profile name: "mkv(HEVC)" gives
    // {"MKV", "HEVC"}, "MP3" gives {"MP3", ""}.
    static std::pair<QString, QString> labels(const QString& profileName);

    static constexpr QSize kSize{90, 95};
    static inline const QString kKeepOriginal = QStringLiteral("Keep Original");
};
