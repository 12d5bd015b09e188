#include "PlayerLog.h"

#include "FfPointers.h"

Q_LOGGING_CATEGORY(lcPlayer, "cutbench.player")

QString avErrorText(int err) {
    return QString::fromStdString(ff::errorText(err));
}
