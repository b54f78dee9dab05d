// Factories of the standard device-type handlers, one per family directory,
// so that the manager depends on the interface only.
#ifndef VANDREL_CORE_HANDLERS_H
#define VANDREL_CORE_HANDLERS_H

#include <memory>

#include "core/dev_type.h"

namespace vd {

std::unique_ptr<CDevType> MakeItemDevType();       // family A
std::unique_ptr<CDevType> MakeFourPortDevType();   // family B, 48
std::unique_ptr<CDevType> MakeEightPortDevType();  // family B, 64
std::unique_ptr<CDevType> MakeTwoPortDevType();    // family B, 56
std::unique_ptr<CDevType> MakeOnePortDevType();    // family B, 32

}  // namespace vd

#endif
