// The subtitle file of a job and its style.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <memory>

class SubtitleParam {
public:
    SubtitleParam() = default;
    ~SubtitleParam();
    SubtitleParam(const SubtitleParam&) = delete;
    SubtitleParam& operator=(const SubtitleParam&) = delete;

    double subtitleAlph = 1.0;
    int shadow = 1;       // 1 = drawn with a shadow
    int positon = -1;     // vertical position in video pixels; -1 = not set
    QString subtitlePath; // null or empty = no subtitle
    QString fontPath;
    QColor fontColor{255, 255, 255};
    int fontSize = 30;
    QStringList fontPathList;
    long fontSelectIndex = 0; // index into fontPathList

    // A new record with all nine fields equal.
    std::shared_ptr<SubtitleParam> copy() const;
    std::shared_ptr<SubtitleParam> mutableCopy() const { return copy(); }
};
