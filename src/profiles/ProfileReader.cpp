#include "profiles/ProfileReader.h"

#include "platform/Log.h"

#include <QFile>
#include <cstdio>
#include <memory>

namespace profiles {
namespace {

std::string withoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t')
            out.push_back(c);
    return out;
}

bool isComment(std::string_view line) {
    return line.starts_with('#') || line.starts_with("//");
}

// The state of one scan: what is looked for and whether its section has begun.
struct Scan {
    std::string header; // "[section]"
    std::string_view key;
    std::string cleanKey;
    bool inSection = false;

    // Handles one complete line (line end removed); true with `value` set on a match.
    bool handle(std::string_view line, std::string& value) {
        const std::size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos) {
            if (line.starts_with(header))
                inSection = true;
            return false;
        }
        if (eq >= kMaxKeyBytes)
            return false;
        if (line.find(key) == std::string_view::npos || isComment(line))
            return false;
        if (withoutBlanks(line.substr(0, eq)) != cleanKey)
            return false;
        const std::string_view raw = line.substr(eq + 1);
        if (raw.size() >= kMaxValueBytes) {
            qCWarning(lcProfiles) << "profile value too long, line skipped";
            return false;
        }
        value.assign(raw);
        return true;
    }
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::string readProfileValue(std::string_view section, std::string_view key, const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        qCDebug(lcProfiles) << "have   no   such   file " << path.c_str();
        return {};
    }
    Scan scan;
    // Appended rather than `"[" + ...`, which GCC 12 falsely reports under -Wrestrict at -O3.
    scan.header.append("[").append(section).append("]");
    scan.key = key;
    scan.cleanKey = withoutBlanks(key);

    std::string line;
    line.reserve(256);
    bool overlong = false; // the current line has reached kMaxLineBytes: skip it to its LF
    char chunk[8192];
    std::string value;
    for (std::size_t total = 0; total < kMaxFileBytes;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (n == 0)
            break;
        total += n;
        for (std::size_t i = 0; i < n; ++i) {
            const char c = chunk[i];
            if (c != '\n') {
                if (overlong)
                    continue;
                // With its LF a line must stay below kMaxLineBytes (a CR counts as part of it).
                if (line.size() + 2 >= kMaxLineBytes) {
                    overlong = true;
                    line.clear();
                    continue;
                }
                line.push_back(c);
                continue;
            }
            if (overlong) {
                qCWarning(lcProfiles) << "profile line too long, skipped";
                overlong = false;
                continue;
            }
            std::string_view l(line);
            if (l.ends_with('\r'))
                l.remove_suffix(1);
            if (scan.handle(l, value))
                return value;
            line.clear();
        }
    }
    return {};
}

QString readProfileValue(const QString& section, const QString& key, const QString& path) {
    return QString::fromStdString(
        readProfileValue(section.toStdString(), key.toStdString(), QFile::encodeName(path).toStdString()));
}

} // namespace profiles
