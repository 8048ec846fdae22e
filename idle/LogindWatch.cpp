#include "idle/LogindWatch.h"

namespace vt {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr BusObject kManager = {kService, "/org/freedesktop/login1",
                                "org.freedesktop.login1.Manager"};
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

}  // namespace

LogindWatch::LogindWatch(DBusConnection& bus, IdleEvents& events) : m_bus(bus), m_events(events) {
  m_bus.OnSignal(kManager.path, kProperties, "PropertiesChanged", [this](sd_bus_message* signal) {
    if (DBusConnection::NamesProperty(signal, kManager.interface, "BlockInhibited")) {
      AskInhibited();
    }
  });
  AskInhibited();
  m_bus.Call(
      kManager, "GetSession",
      [this](sd_bus_message* reply) {
        if (std::optional<std::string> path = DBusConnection::ReadText(reply, 'o')) {
          WatchSession(*path);
        }
      },
      "s", "auto");
}

bool LogindWatch::NamesIdle(std::string_view what) {
  while (!what.empty()) {
    size_t end = what.find(':');
    if (what.substr(0, end) == "idle") return true;
    if (end == std::string_view::npos) break;
    what.remove_prefix(end + 1);
  }
  return false;
}

void LogindWatch::AskInhibited() {
  m_bus.GetProperty(kManager, "BlockInhibited", "s", [this](sd_bus_message* value) {
    std::optional<std::string> what = DBusConnection::ReadText(value);
    m_events.Inhibited(Reporter::Logind, what && NamesIdle(*what));
  });
}

void LogindWatch::WatchSession(const std::string& path) {
  m_session = path;
  m_bus.OnSignal(m_session.c_str(), kProperties, "PropertiesChanged",
                 [this](sd_bus_message* signal) {
                   if (DBusConnection::NamesProperty(signal, kSessionInterface, "LockedHint")) {
                     AskLocked();
                   }
                 });
  AskLocked();
}

void LogindWatch::AskLocked() {
  BusObject session{kService, m_session.c_str(), kSessionInterface};
  m_bus.GetProperty(session, "LockedHint", "b", [this](sd_bus_message* value) {
    m_events.Locked(Reporter::Logind, DBusConnection::ReadBool(value).value_or(false));
  });
}

}  // namespace vt
