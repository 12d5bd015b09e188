// Left-to-right values (numbers with their units, sizes, codec names) shown in right-to-left
// text. Without a mark of their own, the parts of "23.976 fps" or "2(Stereo)" are ordered by
// the surrounding direction and read "fps 23.976" or "(Stereo)2"; a value set between
// directional isolates keeps its own order wherever it stands.
#pragma once

#include <QChar>
#include <QString>

namespace bidi {

inline constexpr char16_t kLeftToRightIsolate = 0x2066;
inline constexpr char16_t kPopDirectionalIsolate = 0x2069;

// value between a left-to-right isolate and its end.
inline QString isolateLeftToRight(const QString& value) {
    return QChar(kLeftToRightIsolate) + value + QChar(kPopDirectionalIsolate);
}

// text without the isolates above (the value a control shows, as it was given).
inline QString withoutIsolates(QString text) {
    text.remove(QChar(kLeftToRightIsolate));
    text.remove(QChar(kPopDirectionalIsolate));
    return text;
}

} // namespace bidi
