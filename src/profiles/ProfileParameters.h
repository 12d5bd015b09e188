// The eight encoding parameters of a profile as the settings window and the custom-profile
// writer handle them: the profile key, the user-defaults key of each opener family, the
// change mask the opener is called back with and the unit shown after a value.
#pragma once

#include <QString>
#include <array>

namespace profiles {

enum ParameterMask : long {
    kMaskVideoCodec = 1,
    kMaskFrameSize = 2,
    kMaskFrameRate = 4,
    kMaskVideoBitRate = 8,
    kMaskAudioCodec = 16,
    kMaskChannels = 32,
    kMaskSampleRate = 64,
    kMaskAudioBitRate = 128,
};

struct Parameter {
    const char* profileKey; // key in the "Parameter" section
    const char* joinerKey;  // user default when the joiner opened the window
    const char* editorKey;  // user default when the editor opened it
    long mask;
    const char* unit; // appended to a row title; removed before storing

    QString defaultsKey(bool joinner) const { return QString::fromLatin1(joinner ? joinerKey : editorKey); }
};

// In the order of the pop-ups: four video parameters, then four audio parameters.
inline constexpr std::array<Parameter, 8> kParameters{{
    {"vcodec", "vcodecSelectTitle", "vcodec_SelectTitle", kMaskVideoCodec, ""},
    {"s", "resolutionSelectTitle", "resolution_SelectTitle", kMaskFrameSize, ""},
    {"r", "framerateSelectTitle", "framerate_SelectTitle", kMaskFrameRate, " fps"},
    {"b", "bitateSelectTitle", "bitate_SelectTitle", kMaskVideoBitRate, " kbps"},
    {"acodec", "acodecSelectTitle", "acodec_SelectTitle", kMaskAudioCodec, ""},
    {"ac", "achannelSelectTitle", "achannel_SelectTitle", kMaskChannels, ""},
    {"ar", "asamplerateSelectTitle", "asamplerate_SelectTitle", kMaskSampleRate, " hz"},
    {"ab", "abitateSelectTitle", "abitate_SelectTitle", kMaskAudioBitRate, " kbps"},
}};

enum ParameterIndex {
    kVideoCodec,
    kFrameSize,
    kFrameRate,
    kVideoBitRate,
    kAudioCodec,
    kChannels,
    kSampleRate,
    kAudioBitRate
};

inline const QString kCustomWidthKey = QStringLiteral("resolutionSelectCustom-Width");
inline const QString kCustomHeightKey = QStringLiteral("resolutionSelectCustom-Height");
inline const QString kCustomBitRateKey = QStringLiteral("bitSelectCustom-Value");
inline const QString kCustomTitle = QStringLiteral("Custom");

// The extension keys the browsers store with the chosen profile.
inline QString extensionKey(bool joinner) {
    return joinner ? QStringLiteral("extNameSelectTitle") : QStringLiteral("extName_SelectTitle");
}

// The integer at the start of a text after leading blanks, as the stored titles are compared
// ("29.97" is 29, "2(Stereo)" is 2); 0 without one. Never overflows.
int leadingInt(const QString& text);

} // namespace profiles
