#include "api/dev_manager.h"

#include "codec/codec.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_b/family_b_handler.h"

namespace vd {

DeviceManager::DeviceManager() {
    registry.Add(std::make_unique<FamilyAHandler>());
    for (const FamilyBModel &model : kFamilyBModels) registry.Add(std::make_unique<FamilyBHandler>(model));
}

}  // namespace vd
