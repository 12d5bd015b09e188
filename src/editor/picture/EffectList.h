// The image effects the effects panel offers, read from "Settings.bundle/EffectList.plist":
// an array of dictionaries, each with "EffectName" (the localisation key of the row title),
// "EffectId" (the effect number the player and the engine accept) and "EffectPicture" (the
// bundle picture that shows the effect).
#pragma once

#include <QString>
#include <vector>

struct EffectListEntry {
    QString name; // localisation key
    int id = 0;
    QString picture; // bundle picture name; empty when none
};

// The entries in file order; empty when the file is missing or unreadable (logged). Entries
// without a name or a positive id are left out.
std::vector<EffectListEntry> loadEffectList(const QString& path);
// The program's own list.
std::vector<EffectListEntry> loadEffectList();
// Whether the engine draws effect id: a list may name an effect it does not know, which is
// refused when chosen rather than left out of the export without a word.
bool engineDrawsEffect(int id);
