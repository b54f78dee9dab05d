#include "version.h"

#include "library_file.h"
#include "status.h"

namespace vdcli {

namespace {

constexpr char kLibraryName[] = "libvandrel.so.";

}  // namespace

int PrintVersion(const Printer &out) {
    const std::string file = LibraryFile();
    const size_t at = file.rfind(kLibraryName);
    // A file named without its full version (a copy, a link farm) leaves
    // only the version this tool was built with.
    const std::string library = at == std::string::npos || file.find('/', at) != std::string::npos
                                    ? std::string(VANDREL_VERSION) + " (as built with)"
                                    : file.substr(at + sizeof kLibraryName - 1);
    if (out.Json()) {
        out.Document(
            JsonValue::object({{"vandrel", VANDREL_VERSION}, {"libvandrel", library}, {"library_file", file}}));
    } else {
        out.Line(std::string("vandrel ") + VANDREL_VERSION);
        out.Line("libvandrel " + library + (file.empty() ? "" : " (" + file + ")"));
    }
    return kExitOk;
}

}  // namespace vdcli
