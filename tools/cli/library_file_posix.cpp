#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "library_file.h"

namespace vdcli {

std::string LibraryFile() {
    Dl_info info{};
    void *symbol = dlsym(RTLD_DEFAULT, "VD_SearchAll");
    if (!symbol || !dladdr(symbol, &info) || !info.dli_fname) return "";
    char resolved[PATH_MAX];
    return realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
}

}  // namespace vdcli
