#include "api/dev_manager.h"

#include "codec/codec.h"
#include "devices/family_a/item_dev_type.h"
#include "devices/family_b/multi_port_dev_type.h"

namespace vd {

DeviceManager::DeviceManager() {
    m_registry.Add(std::make_unique<FamilyAHandler>());
    for (const FamilyBModel &model : kFamilyBModels) m_registry.Add(std::make_unique<FamilyBHandler>(model));
}

}  // namespace vd
