#include "idle/ScreenLockWatch.h"

namespace vt {

namespace {

constexpr BusObject kGnome = {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                              "org.gnome.ScreenSaver"};
// Plasma's lock screen answers on /ScreenSaver and on /org/freedesktop/ScreenSaver, and
// signals on both.
constexpr BusObject kKde = {"org.freedesktop.ScreenSaver", "/ScreenSaver",
                            "org.freedesktop.ScreenSaver"};

}  // namespace

ScreenLockWatch::ScreenLockWatch(DBusConnection& bus, IdleEvents& events, Reporter who)
    : m_bus(bus),
      m_events(events),
      m_who(who),
      m_object(who == Reporter::GnomeScreenSaver ? kGnome : kKde) {
  m_bus.OnSignal(m_object.path, m_object.interface, "ActiveChanged",
                 [this](sd_bus_message* signal) {
                   if (std::optional<bool> active = DBusConnection::ReadBool(signal)) {
                     m_events.Locked(m_who, *active);
                   }
                 });
  // A lock screen that starts again (the shell restarted) says anew whether it shows; one
  // that goes locks nothing any more.
  m_bus.OnOwnerChange(m_object.service, [this](bool owned) {
    if (owned) {
      Ask();
    } else {
      m_events.Locked(m_who, false);
    }
  });
  Ask();
}

void ScreenLockWatch::Ask() {
  m_bus.Call(m_object, "GetActive", [this](sd_bus_message* reply) {
    m_events.Locked(m_who, DBusConnection::ReadBool(reply).value_or(false));
  });
}

}  // namespace vt
