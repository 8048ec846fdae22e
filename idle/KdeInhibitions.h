#pragma once

#include "idle/DBusConnection.h"
#include "idle/IdleEvents.h"

namespace vt {

// Plasma's power management on the session bus, for the inhibitors KWin does not see: those
// that browsers and video players take over D-Bus with org.freedesktop.ScreenSaver.Inhibit.
// Its policy agent says whether the screen must stay as it is (HasInhibition of
// ChangeScreenSettings) and signals InhibitionsChanged whenever one comes or goes.
class KdeInhibitions {
 public:
  KdeInhibitions(DBusConnection& bus, IdleEvents& events);
  KdeInhibitions(const KdeInhibitions&) = delete;
  KdeInhibitions& operator=(const KdeInhibitions&) = delete;

 private:
  void Ask();

  DBusConnection& m_bus;
  IdleEvents& m_events;
};

}  // namespace vt
