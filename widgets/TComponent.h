#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/Input.h"

namespace vt {

class TObject {
 public:
  virtual ~TObject() = default;
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// Event signatures, as the form descriptions bind them by handler name.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

// A named object with an owner. The owner destroys what it owns when it is destroyed itself.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner) : m_owner(owner) {}
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }
  TComponent* Owner() const { return m_owner; }
  int32_t Tag() const { return m_tag; }
  void SetTag(int32_t tag) { m_tag = tag; }

  // Creates a component of kind T owned by this one.
  template <class T, class... Args>
  T* CreateOwned(Args&&... args) {
    auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = component.get();
    m_components.push_back(std::move(component));
    return raw;
  }
  int ComponentCount() const { return int(m_components.size()); }
  TComponent* Components(int index) const { return m_components[size_t(index)].get(); }
  TComponent* FindComponent(const std::string& name) const;

 private:
  TComponent* m_owner = nullptr;
  std::string m_name;
  int32_t m_tag = 0;
  std::vector<std::unique_ptr<TComponent>> m_components;
};

}  // namespace vt
