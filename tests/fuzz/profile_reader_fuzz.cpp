// The profile reader and the value parsers on arbitrary profile files. An input that holds a
// NUL byte names the keys to look for before it (one a line, at most eight); otherwise the
// keys of real profiles and of the category index are looked for.
#include "FuzzSupport.h"

#include "profiles/ProfileReader.h"
#include "profiles/ProfileValueParser.h"

#include <QLoggingCategory>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> keysOf(const std::uint8_t*& data, std::size_t& size) {
    const std::uint8_t* nul = std::find(data, data + size, std::uint8_t(0));
    if (nul == data + size)
        return {"ExtName", "vcodec", "s", "r", "b", "acodec", "ac", "ar", "ab", "Count", "Type1", "Type2"};
    std::vector<std::string> keys;
    const std::string text(reinterpret_cast<const char*>(data), static_cast<std::size_t>(nul - data));
    for (std::size_t from = 0; from <= text.size() && keys.size() < 8;) {
        const std::size_t lf = std::min(text.find('\n', from), text.size());
        keys.push_back(text.substr(from, lf - from));
        from = lf + 1;
    }
    size -= static_cast<std::size_t>(nul + 1 - data);
    data = nul + 1;
    return keys;
}

void parse(const std::string& raw) {
    const QString value = QString::fromStdString(raw);
    for (auto style : {ProfileValueParser::Style::SettingsWindow, ProfileValueParser::Style::Browser}) {
        (void)ProfileValueParser::resultContentStrForArr(value, style);
        (void)ProfileValueParser::resultSelectItemTitleForContentStr(value, style);
    }
    (void)ProfileValueParser::new_startAndendnospaceString(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        if (!std::getenv("CUTBENCH_FUZZ_VERBOSE"))
            QLoggingCategory::setFilterRules(QStringLiteral("cutbench.*=false"));
        return true;
    }();
    (void)quiet;
    const std::vector<std::string> keys = keysOf(data, size);
    const std::string path = fuzz::writeScratch("input.pf", data, size);
    for (const char* section : {"Main", "Parameter", "frmFormat"}) {
        const std::vector<std::string> values = profiles::readProfileValues(section, keys, path);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            // One pass and one key at a time must agree.
            if (values.at(k) != profiles::readProfileValue(section, keys[k], path))
                __builtin_trap();
            parse(values[k]);
        }
    }
    return 0;
}
