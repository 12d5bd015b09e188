#include "PlayerLog.h"

extern "C" {
#include <libavutil/error.h>
}

Q_LOGGING_CATEGORY(lcPlayer, "cutbench.player")

QString avErrorText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return QString::fromUtf8(buf);
}
