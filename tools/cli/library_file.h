// Which file the library was loaded from, as the platform tells it.
#ifndef VANDREL_CLI_LIBRARY_FILE_H
#define VANDREL_CLI_LIBRARY_FILE_H

#include <string>

namespace vdcli {

// The loaded library's file, with links resolved; "" if unknown.
std::string LibraryFile();

}  // namespace vdcli

#endif
