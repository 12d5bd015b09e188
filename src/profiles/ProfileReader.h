// The line reader of the output-profile files (".pf") and of their category index "pf.dat".
//
// The format is INI-like: "[Section]" headers, "key=value" lines, "#" and "//" comments.
// A line ends at LF (a CR right before it is dropped, so CR LF and LF files read alike); text
// after the last LF is not read. Once its header has been seen a section never ends: keys of
// later sections are found too. Keys compare with blanks and tabs removed; the value is the
// raw text after the first "=", blanks and quotes kept.
//
// Profiles come from the resource bundle and from the user's "Custom" folders, so the input
// is untrusted: lines of kMaxLineBytes or more (line end included), key parts of kMaxKeyBytes
// or more and values of kMaxValueBytes or more are skipped as a whole, never cut or overrun;
// nothing past kMaxFileBytes is read.
//
// Each call opens, scans and closes the file once. Safe from any thread (no shared state).
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace profiles {

inline constexpr std::size_t kMaxLineBytes = 4096;
inline constexpr std::size_t kMaxKeyBytes = 512;
inline constexpr std::size_t kMaxValueBytes = 1024;
// No profile comes near this; reading stops here so that a stray large file costs little.
inline constexpr std::size_t kMaxFileBytes = std::size_t(4) << 20;

// The raw value of `key` in `section` of the file at `path` (UTF-8 bytes), or an empty text
// when the file cannot be read or no line matches.
std::string readProfileValue(std::string_view section, std::string_view key, const std::string& path);

// The values of several keys of one section in one pass over the file: element i is what
// readProfileValue(section, keys[i], path) gives.
std::vector<std::string> readProfileValues(std::string_view section, const std::vector<std::string>& keys,
                                           const std::string& path);

// The same for Qt callers: the value decoded from UTF-8.
QString readProfileValue(const QString& section, const QString& key, const QString& path);

} // namespace profiles
