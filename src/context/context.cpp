#include "context/context.h"

#include "codec/codec.h"
#include "devices/family_a/family_a_handler.h"
#include "devices/family_b/family_b_handler.h"

namespace vd {

Context::Context() {
    m_registry.Add(std::make_unique<FamilyAHandler>());
    for (const FamilyBModel &model : kFamilyBModels) m_registry.Add(std::make_unique<FamilyBHandler>(model));
}

// Without the lock: at a process's end the system may have stopped a thread
// that held it.
void Context::DropHandlers() { m_registry.Clear(); }

}  // namespace vd
