#include "widgets/TTimer.h"

#include "widgets/TApplication.h"

namespace vt {

TTimer::TTimer(TComponent* owner, TApplication& application)
    : TComponent(owner), m_application(application) {}

TTimer::~TTimer() { m_application.TimerDestroyed(*this); }

void TTimer::SetInterval(uint32_t value) {
  if (value == m_interval) return;
  m_interval = value;
  Update();
}

void TTimer::SetEnabled(bool value) {
  if (value == m_enabled) return;
  m_enabled = value;
  Update();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  m_on_timer = std::move(handler);
  Update();
}

void TTimer::Update() {
  // Any change stops the timer; if it can still run it starts again from zero.
  m_running = m_enabled && m_interval > 0 && bool(m_on_timer);
  m_application.TimerChanged(*this);
}

}  // namespace vt
