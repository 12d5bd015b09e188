// The effects list's pictures: one small landscape, drawn once, shown through each image
// effect ("Effect/effect_<id>.png"), so each row shows what its effect does.
#pragma once

#include <QImage>
#include <QSize>

namespace EffectPictures {

// The number of effects that have a picture (ids 1 to count).
int count();
// The landscape through effect `id`; the plain landscape for an unknown id.
QImage effect(int id, QSize size);

} // namespace EffectPictures
