#include "core/dev_manager.h"

#include "core/handlers.h"

namespace vd {

CDevManager::CDevManager() {
    m_registry.Add(MakeItemDevType());
    m_registry.Add(MakeFourPortDevType());
    m_registry.Add(MakeEightPortDevType());
    m_registry.Add(MakeTwoPortDevType());
    m_registry.Add(MakeOnePortDevType());
}

}  // namespace vd
