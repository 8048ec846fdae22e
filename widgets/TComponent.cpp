#include "widgets/TComponent.h"

namespace vt {

TComponent::~TComponent() {
  // Later components may refer to earlier ones (clones to their templates); free newest first.
  while (!m_components.empty()) m_components.pop_back();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (const auto& c : m_components) {
    if (c->Name() == name) return c.get();
  }
  return nullptr;
}

}  // namespace vt
