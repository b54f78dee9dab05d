// vandrel --version: the tool's version, and the library's. The library
// exports no version of its own; its shared object's file name carries the
// build's version (libvandrel.so.X.Y.Z), so the loaded file tells it.
#ifndef VANDREL_CLI_VERSION_H
#define VANDREL_CLI_VERSION_H

#include "output.h"

namespace vdcli {

int PrintVersion(const Printer &out);

}  // namespace vdcli

#endif
