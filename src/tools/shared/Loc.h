// The interface text of a localisation key in the chosen language, for the tool windows.
#pragma once

#include "foundation/helpers/NSBundle.h"

#include <QString>

inline QString loc(const char* key) {
    return NSBundle::localizedStringForKey(QString::fromUtf8(key));
}
