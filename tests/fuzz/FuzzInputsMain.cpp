// Runs a fuzz target on kept inputs without libFuzzer: every file named on the command line,
// and every file inside a named folder (dot files left out), in name order. A folder that
// does not exist holds no inputs. A crash or a sanitizer report fails the run.
#include "FuzzSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            for (const fs::directory_entry& e : fs::directory_iterator(arg))
                if (e.is_regular_file() && !e.path().filename().string().starts_with('.'))
                    inputs.push_back(e.path());
        } else if (fs::exists(arg, ec)) {
            inputs.push_back(arg);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& p : inputs) {
        std::ifstream in(p, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::cout << "input " << p.filename().string() << " (" << bytes.size() << " bytes)" << std::endl;
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << inputs.size() << " inputs ran" << std::endl;
    return 0;
}
