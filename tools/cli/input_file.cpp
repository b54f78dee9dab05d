#include "input_file.h"

#include <sys/stat.h>

#include <fstream>
#include <iostream>

namespace vdcli {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Up to kMaxInputBytes of in into text; false when there is more.
bool ReadBounded(std::istream &in, std::string &text) {
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        if (text.size() + static_cast<unsigned long long>(in.gcount()) > kMaxInputBytes) return false;
        text.append(chunk, static_cast<size_t>(in.gcount()));
    }
    return true;
}

}  // namespace

bool CheckInputFile(const std::string &path, const std::string &what, unsigned long long &size, std::string &error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = "cannot read the " + what + " '" + path + "'";
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "'" + path + "' is a directory, not a file";
        return false;
    }
    size = static_cast<unsigned long long>(st.st_size);
    if (S_ISREG(st.st_mode) && size == 0) {
        error = "the " + what + " '" + path + "' is empty";
        return false;
    }
    return true;
}

bool ReadInput(const std::string &path, const std::string &what, std::string &text, std::string &error) {
    text.clear();
    bool whole = false;
    if (path == "-") {
        whole = ReadBounded(std::cin, text);
    } else {
        unsigned long long size = 0;
        if (!CheckInputFile(path, what, size, error)) return false;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot read " + path;
            return false;
        }
        whole = ReadBounded(in, text);
    }
    if (!whole) {
        error = "the " + what + " '" + path + "' holds more than " + std::to_string(kMaxInputBytes >> 20) + " MiB";
        return false;
    }
    if (text.compare(0, 3, kByteOrderMark) == 0) text.erase(0, 3);
    return true;
}

}  // namespace vdcli
