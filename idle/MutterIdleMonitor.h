#pragma once

#include <cstdint>

#include "idle/DBusConnection.h"
#include "idle/IdleEvents.h"

namespace vt {

// GNOME's idle signal, on Wayland and X11 alike: mutter's org.gnome.Mutter.IdleMonitor on the
// session bus. An idle watch fires after every idle period of the idle time; a user-active
// watch, made as the session goes idle, fires once at the next input. Mutter pauses its
// watches while gnome-session reports an idle inhibitor, so videos keep the saver away here
// without more. Mutter leaving the bus is the end of the session.
class MutterIdleMonitor {
 public:
  static constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";

  MutterIdleMonitor(DBusConnection& bus, IdleEvents& events, uint32_t idle_ms);

 private:
  void OnWatchFired(uint32_t id);
  // Registers the watch for the next input; input that came before it counts as well.
  void WatchForInput();

  DBusConnection& m_bus;
  IdleEvents& m_events;
  uint32_t m_idle_ms;
  uint32_t m_idle_watch = 0;
  uint32_t m_active_watch = 0;
};

}  // namespace vt
