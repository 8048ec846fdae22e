#pragma once

#include <cstdint>

#include "widgets/TComponent.h"

namespace vt {

class TApplication;

// Delivers ticks on the user-interface thread while Enabled, Interval > 0 and OnTimer is set:
// the first one Interval milliseconds after it was started, then every Interval. A new value
// of Enabled or Interval restarts it from zero; the same value changes nothing.
class TTimer : public TComponent {
 public:
  TTimer(TComponent* owner, TApplication& application);
  ~TTimer() override;

  uint32_t Interval() const { return m_interval; }
  void SetInterval(uint32_t value);
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool value);
  const TNotifyEvent& OnTimer() const { return m_on_timer; }
  void SetOnTimer(TNotifyEvent handler);

  bool Running() const { return m_running; }
  int64_t NextDueMs() const { return m_next_due; }
  uint64_t StartSequence() const { return m_start_sequence; }

 private:
  friend class TApplication;
  void Update();

  TApplication& m_application;
  uint32_t m_interval = 1000;
  bool m_enabled = true;
  TNotifyEvent m_on_timer;
  bool m_running = false;
  int64_t m_next_due = 0;
  uint64_t m_start_sequence = 0;
};

}  // namespace vt
