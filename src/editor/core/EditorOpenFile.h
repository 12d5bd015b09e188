// The file open in the editor: its path, its record and what was read with it. The editor
// replaces all of it at once when another file has been probed and accepted, so a refused
// file never leaves the window half on the old file and half on the new one.
#pragma once

#include "editor/core/EditorOutputChoices.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/WaterParam.h"

#include <QString>
#include <memory>

struct EditorOpenFile {
    QString filePath;
    std::shared_ptr<SimpleData> fileData; // null until a file is open
    EditorOutputChoices choices;          // the output choices read when it was opened
    // The window's working copy of the record's watermark parameters.
    std::shared_ptr<WaterParam> waterParam;

    bool isOpen() const { return fileData != nullptr; }
};
