#include "profiles/ProfileReader.h"

#include "platform/Log.h"

#include <QFile>
#include <cstdio>
#include <memory>
#include <unordered_map>

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

// The state of one scan: what is looked for, what was found and whether the section has begun.
struct Scan {
    std::string header; // "[section]"
    const std::vector<std::string>* keys = nullptr;
    // The wanted keys by their blank-free form (two keys may clean alike).
    std::unordered_map<std::string, std::vector<std::size_t>> byCleanKey;
    std::vector<std::string> values;
    std::vector<bool> found;
    std::size_t missing = 0;
    bool inSection = false;

    // Handles one complete line (line end removed); false once every key has its value.
    bool handle(std::string_view line) {
        const std::size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos) {
            if (line.starts_with(header))
                inSection = true;
            return true;
        }
        if (eq >= kMaxKeyBytes || isComment(line))
            return true;
        const auto wanted = byCleanKey.find(withoutBlanks(line.substr(0, eq)));
        if (wanted == byCleanKey.end())
            return true;
        const std::string_view raw = line.substr(eq + 1);
        for (std::size_t k : wanted->second) {
            // The key must also stand in the line as written, blanks and all.
            if (found[k] || line.find((*keys)[k]) == std::string_view::npos)
                continue;
            if (raw.size() >= kMaxValueBytes) {
                qCWarning(lcProfiles) << "profile value too long, line skipped";
                return true;
            }
            values[k].assign(raw);
            found[k] = true;
            --missing;
        }
        return missing > 0;
    }
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Feeds the complete lines of the file's first kMaxFileBytes to `scan` until it has all it
// wants; lines of kMaxLineBytes or more are skipped whole.
void scanLines(std::FILE* file, Scan& scan) {
    std::string line;
    line.reserve(256);
    bool overlong = false; // the current line has reached kMaxLineBytes: skip it to its LF
    char chunk[8192];
    for (std::size_t total = 0; total < kMaxFileBytes;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        if (n == 0)
            return;
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
            if (!scan.handle(l))
                return;
            line.clear();
        }
    }
}

} // namespace

std::vector<std::string> readProfileValues(std::string_view section, const std::vector<std::string>& keys,
                                           const std::string& path) {
    Scan scan;
    scan.keys = &keys;
    scan.values.resize(keys.size());
    scan.found.resize(keys.size());
    scan.missing = keys.size();
    if (keys.empty())
        return scan.values;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        qCDebug(lcProfiles) << "have   no   such   file " << path.c_str();
        return scan.values;
    }
    // Appended rather than `"[" + ...`, which GCC 12 falsely reports under -Wrestrict at -O3.
    scan.header.append("[").append(section).append("]");
    for (std::size_t k = 0; k < keys.size(); ++k)
        scan.byCleanKey[withoutBlanks(keys[k])].push_back(k);
    scanLines(file.get(), scan);
    return std::move(scan.values);
}

std::string readProfileValue(std::string_view section, std::string_view key, const std::string& path) {
    return std::move(readProfileValues(section, {std::string(key)}, path).front());
}

QString readProfileValue(const QString& section, const QString& key, const QString& path) {
    return QString::fromStdString(
        readProfileValue(section.toStdString(), key.toStdString(), QFile::encodeName(path).toStdString()));
}

} // namespace profiles
