#include "api/dev_manager.h"

#include "devices/family_a/item_dev_type.h"
#include "devices/family_b/port_dev_types.h"

namespace vd {

CDevManager::CDevManager() {
    m_registry.Add(std::make_unique<CItemDevType>());
    m_registry.Add(std::make_unique<CFourPortDevType>());
    m_registry.Add(std::make_unique<CEightPortDevType>());
    m_registry.Add(std::make_unique<CTwoPortDevType>());
    m_registry.Add(std::make_unique<COnePortDevType>());
}

}  // namespace vd
