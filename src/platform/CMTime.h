// The windows' media time type; defined with the player's declarations it is handed to.
#pragma once
#include "mediacore/CMTime.h"
