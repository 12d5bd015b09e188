#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace fuzz {
namespace {

// Made once per process under TMPDIR and removed at exit (never destroyed itself, so that
// the exit handler can still use it).
const std::filesystem::path& scratchFolder() {
    static const std::filesystem::path* folder = [] {
        std::error_code ec;
        std::string name = "cutbench-fuzz-";
        name += std::to_string(::getpid());
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec)
            base = "/tmp";
        auto* dir = new std::filesystem::path(base / name);
        std::filesystem::create_directories(*dir, ec);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return dir;
    }();
    return *folder;
}

} // namespace

Controls::Controls(const std::uint8_t*& data, std::size_t& size, std::size_t count) {
    const std::size_t n = std::min({count, size, bytes_.size()});
    std::copy(data, data + n, bytes_.begin());
    data += n;
    size -= n;
}

std::string scratchPath(const std::string& name) {
    const std::filesystem::path path = scratchFolder() / name;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return path.string();
}

std::string writeScratch(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = scratchPath(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

namespace {
bool verbose() {
    static const bool on = [] {
        const char* v = std::getenv("CUTBENCH_FUZZ_VERBOSE");
        return v && *v == '1';
    }();
    return on;
}
} // namespace

void quietLog() {
    av_log_set_level(verbose() ? AV_LOG_INFO : AV_LOG_QUIET);
}

void trace(const char* step, long long result) {
    if (verbose())
        std::fprintf(stderr, "%s: %lld\n", step, result);
}

} // namespace fuzz
