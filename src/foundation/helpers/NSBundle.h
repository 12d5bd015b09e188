// Interface texts and pictures of the program.
//
// Texts come from the strings table "Main" of the chosen language folder
// (<resources>/<code>.lproj/Main.strings); pictures from "Settings.bundle" by relative
// path, extension included. Every lookup follows the stored "AppLanguage" (an index
// clamped to 0..8). Whether the tables offer nine languages or four is decided once, at
// the first lookup: nine when the English table translates "LangeuageItem4".
//
// Meant for the GUI thread; the caches are guarded, so a library thread may read too.
#pragma once

#include <QImage>
#include <QString>

class NSBundle {
public:
    // The text of a key in the chosen language; a key missing there comes from the English
    // table, else comes back unchanged.
    static QString localizedStringForKey(const QString& key);
    // As above; a non-empty `value` is returned in place of a key missing in every table.
    static QString localizedStringForKey(const QString& key, const QString& value);
    // Re-reads the tables, so that every later lookup follows the stored "AppLanguage", and
    // applies its layout direction.
    static void setLanguage();
    // Right to left for Arabic, else left to right, for the whole program (GUI thread).
    static void applyLayoutDirection();
    // True when the stored language is Arabic (a stored index above 7).
    static bool isalaboLanguage();
    // The picture at `name` inside Settings.bundle ("Main/btnCrop_Normal.bmp"), or a null
    // image when there is none. No other name or resolution is tried.
    static QImage imageWithfileName(const QString& name);
    // Path of Settings.bundle.
    static QString resourceBundle();

    // 9 or 4: how many interface languages the tables offer.
    static int languageCount();
    // The stored "AppLanguage" clamped to 0..8.
    static int languageIndex();
    // The language folder code of an index (clamped) under the current language count:
    // nine: en zh-Hans zh-Hant fr de ja es pt-PT ar; four: 1 zh-Hant, 2 fr, 3 ja, else en.
    static QString languageCode(int index);
    // The folder code of the stored language.
    static QString currentLanguageCode();

    static QString getCurrentBundleIdentifier();
    static QString getCurrentVersion();

    // Forgets loaded tables, pictures and the language count, so that the next lookup reads
    // the resource folder afresh (tests, after pointing the resource path elsewhere).
    static void reloadForTesting();
};
