// Qt's own texts (the buttons and labels of its file, font and colour dialogs, its message
// boxes' standard buttons) in the interface language, from the translations Qt ships.
// Main thread only, with the application object made.
#pragma once

#include <QString>

namespace qttranslations {

// The name of Qt's translation for one of our language folder codes ("zh-Hans"), or empty
// for English, which Qt speaks itself. Qt ships Brazilian Portuguese only, so Portuguese
// takes that.
QString qtLanguageName(const QString& languageCode);

// Replaces the Qt translation installed before with the one of `languageCode`; false when
// Qt ships none for it (Qt then speaks English).
bool install(const QString& languageCode);

} // namespace qttranslations
