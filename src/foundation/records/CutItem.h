// One marked segment of the easy cutter: seconds from the start of the file.
#pragma once

#include <QImage>

class CutItem {
public:
    CutItem() = default;
    CutItem(const CutItem&) = delete;
    CutItem& operator=(const CutItem&) = delete;

    bool selected = false;
    float startTime = 0;
    float endTime = 0;
    QImage thumbImage;
};
