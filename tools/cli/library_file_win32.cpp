#include <windows.h>

#include "library_file.h"

namespace vdcli {

std::string LibraryFile() {
    const HMODULE library = GetModuleHandleA("vandrel.dll");
    char path[MAX_PATH];
    const DWORD n = library ? GetModuleFileNameA(library, path, sizeof path) : 0;
    return n > 0 && n < sizeof path ? std::string(path, n) : "";
}

}  // namespace vdcli
