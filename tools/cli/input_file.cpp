#include "input_file.h"

#include <sys/stat.h>

namespace vdcli {

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

}  // namespace vdcli
