#include "EffectTable.h"

namespace mediafx {

namespace {

// Ids are a contract with the program's effect list: never renumber, only append.
const EffectEntry kEffects[] = {
    {1, "Black and White", "hue", {{"s", "0"}}},
    {2,
     "Sepia",
     "colorchannelmixer",
     {{"rr", ".393"},
      {"rg", ".769"},
      {"rb", ".189"},
      {"gr", ".349"},
      {"gg", ".686"},
      {"gb", ".168"},
      {"br", ".272"},
      {"bg", ".534"},
      {"bb", ".131"}}},
    {3, "Negative", "negate", {}},
    {4, "Blur", "gblur", {{"sigma", "6"}}},
    {5, "Sharpen", "unsharp", {{"luma_msize_x", "5"}, {"luma_msize_y", "5"}, {"luma_amount", "1.5"}}},
    // A grey relief: the brightness's slope from the top left, around mid-grey, and no colour.
    {6,
     "Emboss",
     "convolution",
     {{"0m", "-2 -1 0 -1 0 1 0 1 2"},
      {"0rdiv", "1"},
      {"0bias", "128"},
      {"1m", "0 0 0 0 0 0 0 0 0"},
      {"1rdiv", "1"},
      {"1bias", "128"},
      {"2m", "0 0 0 0 0 0 0 0 0"},
      {"2rdiv", "1"},
      {"2bias", "128"}},
     "yuv420p|yuvj420p|yuv422p|yuvj422p|yuv444p|yuvj444p"},
    // Pencil lines: the edges in dark grey on white paper.
    {7, "Sketch", "edgedetect", {{"low", "0.05"}, {"high", "0.2"}}, nullptr, "negate"},
    {8, "Vignette", "vignette", {{"angle", "PI/4"}}},
    {9, "Mosaic", "pixelize", {{"width", "16"}, {"height", "16"}}},
    {10, "Old Film", "curves", {{"preset", "vintage"}}},
    {11,
     "Warm",
     "colorbalance",
     {{"rs", "0.2"}, {"rm", "0.25"}, {"rh", "0.2"}, {"bs", "-0.2"}, {"bm", "-0.25"}, {"bh", "-0.2"}}},
    {12,
     "Cool",
     "colorbalance",
     {{"rs", "-0.2"}, {"rm", "-0.25"}, {"rh", "-0.2"}, {"bs", "0.2"}, {"bm", "0.25"}, {"bh", "0.2"}}},
    {13, "Grain", "noise", {{"alls", "20"}, {"allf", "t+u"}}},
};

} // namespace

const EffectEntry* effectTable(size_t* count) {
    if (count)
        *count = sizeof kEffects / sizeof kEffects[0];
    return kEffects;
}

const EffectEntry* findEffect(int id) {
    for (const EffectEntry& e : kEffects)
        if (e.id == id)
            return &e;
    return nullptr;
}

} // namespace mediafx
