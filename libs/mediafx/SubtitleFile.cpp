#include "SubtitleFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "FfPointers.h"
#include "FxLog.h"

extern "C" {
#include <libavutil/error.h>
}

namespace mediafx {

namespace {

constexpr double kMaxScalePercent = 200;
// Outlines, shadows and blurs: a twentieth of the script's picture height.
constexpr double kEdgeShare = 1.0 / 20;
// Edge blur (\be) runs its pass this many times at most.
constexpr double kMaxEdgeBlurPasses = 20;

const char* const kAssStyleFormat =
    "Name,Fontname,Fontsize,PrimaryColour,SecondaryColour,OutlineColour,BackColour,Bold,Italic,Underline,"
    "StrikeOut,ScaleX,ScaleY,Spacing,Angle,BorderStyle,Outline,Shadow,Alignment,MarginL,MarginR,MarginV,"
    "Encoding";
const char* const kSsaStyleFormat =
    "Name,Fontname,Fontsize,PrimaryColour,SecondaryColour,TertiaryColour,BackColour,"
    "Bold,Italic,BorderStyle,Outline,Shadow,Alignment,MarginL,MarginR,MarginV,"
    "AlphaLevel,Encoding";

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// A "Key: value" line of a section, with its key in lower case; false for other lines.
bool keyed(const std::string& line, std::string* key, std::string* value) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || line.empty() || line[0] == ';')
        return false;
    *key = lower(trim(line.substr(0, colon)));
    *value = line.substr(colon + 1);
    return true;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep))
        parts.push_back(part);
    if (!s.empty() && s.back() == sep)
        parts.emplace_back();
    return parts;
}

// The picture height the script's sizes refer to, as the renderer works it out.
double scriptHeight(const std::vector<std::string>& lines) {
    double x = 0, y = 0;
    std::string key, value;
    for (const std::string& line : lines) {
        if (!keyed(line, &key, &value))
            continue;
        if (key == "playresx")
            x = std::atof(value.c_str());
        else if (key == "playresy")
            y = std::atof(value.c_str());
    }
    if (y <= 0 && x <= 0)
        return 288;
    if (y <= 0)
        return x == 1280 ? 1024 : x * 3 / 4;
    return y;
}

struct Caps {
    double fontSize, edge, scale, edgeBlur;
};

// The largest value a style field or an override tag may have; 0 for names left as they are.
double capOf(const std::string& name, const Caps& caps) {
    if (name == "fontsize" || name == "fs")
        return caps.fontSize;
    if (name == "outline" || name == "shadow" || name == "bord" || name == "xbord" || name == "ybord" ||
        name == "shad" || name == "xshad" || name == "yshad" || name == "blur")
        return caps.edge;
    if (name == "scalex" || name == "scaley" || name == "fscx" || name == "fscy")
        return caps.scale;
    if (name == "be")
        return caps.edgeBlur;
    return 0;
}

// A style line with its fields held to the caps; `format` holds the section's field names.
std::string boundStyle(const std::string& line, const std::vector<std::string>& format, const Caps& caps) {
    const size_t colon = line.find(':');
    std::vector<std::string> fields = split(line.substr(colon + 1), ',');
    bool changed = false;
    for (size_t i = 0; i < fields.size() && i < format.size(); ++i) {
        const double cap = capOf(format[i], caps);
        if (cap <= 0)
            continue;
        const double v = std::atof(trim(fields[i]).c_str());
        if (std::fabs(v) > cap || !std::isfinite(v)) {
            fields[i] = number(std::copysign(cap, std::isfinite(v) ? v : 1.0));
            changed = true;
        }
    }
    if (!changed)
        return line;
    std::string out = line.substr(0, colon + 1);
    for (size_t i = 0; i < fields.size(); ++i)
        out += (i ? "," : "") + fields[i];
    return out;
}

// The override tags of a line's "{...}" blocks held to the caps (\fs, \fscx, \bord, \blur...).
std::string boundTags(const std::string& line, const Caps& caps) {
    std::string out;
    out.reserve(line.size());
    bool inBlock = false;
    for (size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (c == '{' || c == '}') {
            inBlock = c == '{';
            out += c;
            ++i;
            continue;
        }
        if (!inBlock || c != '\\') {
            out += c;
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < line.size() && std::isalpha(static_cast<unsigned char>(line[j])))
            ++j;
        const std::string name = lower(line.substr(i + 1, j - i - 1));
        size_t k = j;
        if (k < line.size() && (line[k] == '-' || line[k] == '+'))
            ++k;
        while (k < line.size() && (std::isdigit(static_cast<unsigned char>(line[k])) || line[k] == '.'))
            ++k;
        out += line.substr(i, j - i);
        const std::string value = line.substr(j, k - j);
        const double cap = capOf(name, caps);
        const double v = std::atof(value.c_str());
        if (cap > 0 && !value.empty() && std::fabs(v) > cap) {
            if (value[0] == '+')
                out += '+';
            out += number(std::copysign(cap, v));
        } else {
            out += value;
        }
        i = k;
    }
    return out;
}

struct Stamp {
    int64_t size = -1;
    int64_t mtimeNs = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const struct stat& st) {
    return {int64_t(st.st_size), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The checks and copies made so far, by path, valid while the file is unchanged.
struct Table {
    struct Entry {
        Stamp stamp;
        int check = 1; // 1 = not checked yet
        std::string drawable;
    };
    std::mutex mutex;
    std::map<std::string, Entry> entries;
    std::vector<std::string> copies;
    ~Table() {
        for (const std::string& copy : copies)
            ::unlink(copy.c_str());
    }
};

Table& table() {
    static Table t;
    return t;
}

bool readAll(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *text = buffer.str();
    return true;
}

int checkText(const std::string& path, const std::string& text) {
    const bool ass = isAssName(path);
    size_t cue = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        // One event per line in a script; in other files a cue runs to the next blank line.
        if (ass || trim(line).empty())
            cue = 0;
        cue += line.size();
        if (cue > kMaxCueBytes)
            return AVERROR(EMSGSIZE);
    }
    return 0;
}

std::string writeCopy(const std::string& text) {
    // Nothing in the program sets environment variables, so reading one races with nothing.
    const char* folder = std::getenv("TMPDIR"); // NOLINT(concurrency-mt-unsafe)
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/cutbench-subtitle-XXXXXX.ass";
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0)
        return {};
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ::close(fd);
            ::unlink(name.c_str());
            return {};
        }
        done += size_t(n);
    }
    ::close(fd);
    return name;
}

} // namespace

std::string boundedAssScript(const std::string& script) {
    const std::vector<std::string> lines = split(script, '\n');
    const double height = scriptHeight(lines);
    const Caps caps{height, height * kEdgeShare, kMaxScalePercent, kMaxEdgeBlurPasses};
    std::string out;
    out.reserve(script.size());
    std::vector<std::string> format;
    bool styles = false, events = false;
    std::string key, value;
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string line = lines[n];
        const std::string head = lower(trim(line));
        if (!head.empty() && head[0] == '[') {
            styles = head.find("styles]") != std::string::npos;
            events = head == "[events]";
            // Styles without a "Format:" line are read in the renderer's default order.
            format.clear();
            if (styles)
                for (const std::string& f :
                     split(head == "[v4 styles]" ? kSsaStyleFormat : kAssStyleFormat, ','))
                    format.push_back(lower(trim(f)));
        } else if (styles && keyed(line, &key, &value)) {
            if (key == "format") {
                format.clear();
                for (const std::string& f : split(value, ','))
                    format.push_back(lower(trim(f)));
            } else if (key == "style") {
                line = boundStyle(line, format, caps);
            }
        } else if (events && line.find('{') != std::string::npos) {
            line = boundTags(line, caps);
        }
        out += line;
        if (n + 1 < lines.size())
            out += '\n';
    }
    return out;
}

int checkSubtitleFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return AVERROR(errno);
    if (st.st_size > kMaxSubtitleBytes)
        return AVERROR(EFBIG);
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Table::Entry& e = t.entries[path];
    if (!(e.stamp == stampOf(st)))
        e = Table::Entry{stampOf(st), 1, {}};
    if (e.check <= 0)
        return e.check;
    std::string text;
    if (!readAll(path, &text))
        return AVERROR(EIO);
    e.check = checkText(path, text);
    return e.check;
}

std::string drawablePath(const std::string& path) {
    if (!isAssName(path))
        return path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size > kMaxSubtitleBytes)
        return path;
    // Held throughout, so that two graphs built at once share one copy.
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Table::Entry& e = t.entries[path];
    if (!(e.stamp == stampOf(st)))
        e = Table::Entry{stampOf(st), 1, {}};
    if (!e.drawable.empty())
        return e.drawable;
    std::string text;
    if (!readAll(path, &text))
        return path;
    const std::string bounded = boundedAssScript(text);
    e.drawable = path;
    if (bounded != text) {
        const std::string copy = writeCopy(bounded);
        if (copy.empty())
            return path;
        ff::log(mediafx::kLog, AV_LOG_INFO, "subtitle styles of %s held to the picture's size", path.c_str());
        e.drawable = copy;
        t.copies.push_back(copy);
    }
    return e.drawable;
}

bool isAssName(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return false;
    const std::string ext = lower(path.substr(dot + 1));
    return ext == "ass" || ext == "ssa";
}

} // namespace mediafx
