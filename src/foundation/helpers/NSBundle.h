// Interface texts and pictures of the program.
//
// Texts come from the strings table "Main" of the chosen language folder
// (<resources>/<code>.lproj/Main.strings); pictures from "Settings.bundle" by relative
// path, extension included. Both are called on the GUI thread only.
#pragma once

#include <QImage>
#include <QString>

class NSBundle {
public:
    // The text of a key in the chosen language; a key the table lacks comes back unchanged.
    static QString localizedStringForKey(const QString& key);
    // As above; a non-empty `value` is returned in place of a missing key.
    static QString localizedStringForKey(const QString& key, const QString& value);
    // Makes every later lookup follow the stored "AppLanguage".
    static void setLanguage();
    // True when the stored language is Arabic.
    static bool isalaboLanguage();
    // The picture at `name` inside Settings.bundle ("Main/btnCrop_Normal.bmp"), or a null
    // image when there is none. No other name or resolution is tried.
    static QImage imageWithfileName(const QString& name);
    // Path of Settings.bundle.
    static QString resourceBundle();
};
