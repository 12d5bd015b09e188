// The image effects by id: each effect is one table entry naming one FFmpeg filter and its
// options (and, where one filter cannot give the look, a second one without options). The
// program's effect list ("EffectList.plist") lists these ids and names.
#pragma once

#include <cstddef>

namespace mediafx {

struct EffectOption {
    const char* key;
    const char* value;
};

struct EffectEntry {
    int id;
    const char* name;   // English name, as the effect list shows it
    const char* filter; // FFmpeg filter
    EffectOption options[9];
    // Pixel formats the filter is given ("a|b"), when its options assume them; null: any.
    const char* formats = nullptr;
    // A filter without options applied after it, or null.
    const char* then = nullptr;
};

// The whole table, in id order.
const EffectEntry* effectTable(size_t* count);
// The entry of an id, or null for an unknown id.
const EffectEntry* findEffect(int id);

} // namespace mediafx
