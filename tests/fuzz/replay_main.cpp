// Replays fuzz inputs without libFuzzer: every file named on the command line,
// or found in a named directory, goes through the target once. A crash or a
// sanitizer report fails the run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fs = std::filesystem;

namespace {

void Run(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error))
            for (const fs::directory_entry &e : fs::directory_iterator(argv[i], error)) inputs.push_back(e.path());
        else if (fs::exists(argv[i], error))
            inputs.push_back(argv[i]);
    }
    for (const fs::path &input : inputs) Run(input);
    // An empty input too, so a target without seeds still runs once.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replayed %zu inputs\n", inputs.size() + 1);
    return 0;
}
