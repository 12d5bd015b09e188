#include "tools/shared/EngineErrorText.h"

#include "mediacore/MediaCore.h"
#include "tools/shared/Loc.h"

#include <cerrno>

namespace {

// FFmpeg's AVERROR(e) and AVERROR_INVALIDDATA, without pulling its headers into the windows.
constexpr int fromErrno(int e) {
    return -e;
}
constexpr int kInvalidData = -static_cast<int>(0x41444E49u); // FFERRTAG('I','N','D','A')
// AVERROR_STREAM_NOT_FOUND: what the engine gives for a range of a picture file that holds no
// picture.
constexpr int kNoPicture = -static_cast<int>(0x525453F8u); // FFERRTAG(0xF8,'S','T','R')

} // namespace

namespace engineerror {

QString keyOf(int result) {
    switch (result) {
    case fromErrno(ENOENT):
        return QStringLiteral("engineErrorMissingFileString");
    case fromErrno(ENOSPC):
    case fromErrno(EDQUOT):
        return QStringLiteral("engineErrorDiskFullString");
    case fromErrno(EROFS):
    case fromErrno(EACCES):
    case fromErrno(EPERM):
        return QStringLiteral("engineErrorReadOnlyString");
    case fromErrno(EIO):
    case kInvalidData:
        return QStringLiteral("engineErrorDamagedString");
    case kNoPicture:
        return QStringLiteral("engineErrorNoPictureString");
    case fromErrno(EFBIG): // a size cap that a picture does not fit
        return QStringLiteral("engineErrorPartTooSmallString");
    case MEDIACORE_ERROR_INEXACT_CUT:
        return QStringLiteral("engineErrorInexactCutString");
    case MEDIACORE_ERROR_RANGE_UNPLACED:
        return QStringLiteral("engineErrorRangeUnplacedString");
    default:
        return {};
    }
}

QString words(int result) {
    const QString key = keyOf(result);
    return NSBundle::localizedStringForKey(key.isEmpty() ? QStringLiteral("engineErrorGeneralString") : key);
}

QString text(int result) {
    // A range without a picture is the user's choice to mend, not a fault: no code beside it.
    if (result == kNoPicture)
        return words(result);
    return words(result) + QStringLiteral(" (error:%1)").arg(result);
}

} // namespace engineerror
