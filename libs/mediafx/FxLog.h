// The filter graph's logging object: its lines go into FFmpeg's log under the class "MediaFx".
#pragma once

#include "FfPointers.h"

namespace mediafx {

inline const AVClass kLogClass = ff::logClass("MediaFx", AV_CLASS_CATEGORY_FILTER);
inline const ff::LogSource kLog{&kLogClass};

} // namespace mediafx
