#pragma once

#include "idle/DBusConnection.h"
#include "idle/IdleEvents.h"

namespace vt {

// A desktop's lock screen on the session bus: GNOME Shell's org.gnome.ScreenSaver and
// Plasma's org.freedesktop.ScreenSaver both say whether it shows, with GetActive and the
// ActiveChanged signal. Where no one owns the name, nothing is locked by it.
class ScreenLockWatch {
 public:
  // who: Reporter::GnomeScreenSaver or Reporter::KdeScreenSaver.
  ScreenLockWatch(DBusConnection& bus, IdleEvents& events, Reporter who);
  ScreenLockWatch(const ScreenLockWatch&) = delete;
  ScreenLockWatch& operator=(const ScreenLockWatch&) = delete;

 private:
  void Ask();

  DBusConnection& m_bus;
  IdleEvents& m_events;
  Reporter m_who;
  BusObject m_object;
};

}  // namespace vt
