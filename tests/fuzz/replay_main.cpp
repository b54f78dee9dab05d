// Replays fuzz inputs without libFuzzer: every file named on the command line,
// or found in a named directory, goes through the target once. A crash or a
// sanitizer report fails the run.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool RunFile(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        struct stat st;
        if (stat(argv[i], &st) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            runs += RunFile(argv[i]);
            continue;
        }
        if (DIR *dir = opendir(argv[i])) {
            while (dirent *e = readdir(dir))
                if (e->d_name[0] != '.') runs += RunFile(std::string(argv[i]) + "/" + e->d_name);
            closedir(dir);
        }
    }
    // An empty input too, so a target without seeds still runs once.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replayed %d inputs\n", runs + 1);
    return 0;
}
