// The process environment as Windows keeps it, which SetEnvironmentVariable
// changes at once; the C runtime's copy (getenv) is taken at start-up and
// does not see a host's later changes.
#include <windows.h>

#include "net/platform.h"

namespace vd::net {

bool ReadEnvironment(const char *name, std::string &value) {
    std::string text(256, '\0');
    for (;;) {
        // An empty value also reads as 0 characters.
        ::SetLastError(ERROR_SUCCESS);
        const DWORD got = GetEnvironmentVariableA(name, &text[0], DWORD(text.size()));
        if (got == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        if (got < text.size()) {
            value.assign(text.data(), got);
            return true;
        }
        // Too long: got counts the terminating zero. Another thread may
        // change the value in between, hence the loop.
        text.resize(got);
    }
}

bool WriteEnvironment(const char *name, const std::string &value) {
    return SetEnvironmentVariableA(name, value.c_str()) != 0;
}

}  // namespace vd::net
