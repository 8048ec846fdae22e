#include "idle/MutterIdleMonitor.h"

#include <string>

namespace vt {

namespace {

constexpr BusObject kCore = {MutterIdleMonitor::kService, "/org/gnome/Mutter/IdleMonitor/Core",
                             "org.gnome.Mutter.IdleMonitor"};

}  // namespace

MutterIdleMonitor::MutterIdleMonitor(DBusConnection& bus, IdleEvents& events, uint32_t idle_ms)
    : m_bus(bus), m_events(events), m_idle_ms(idle_ms) {
  m_bus.OnOwnerChange(kService, [this](bool owned) {
    if (!owned) m_events.Lost("GNOME's compositor left the session bus");
  });
  m_bus.OnSignal(kCore.path, kCore.interface, "WatchFired", [this](sd_bus_message* signal) {
    if (std::optional<uint32_t> id = DBusConnection::ReadUint32(signal)) OnWatchFired(*id);
  });
  m_bus.Call(
      kCore, "AddIdleWatch",
      [this](sd_bus_message* reply) {
        std::optional<uint32_t> id = DBusConnection::ReadUint32(reply);
        if (!id) m_events.Lost("GNOME's compositor refused to watch for idleness");
        m_idle_watch = id.value_or(0);
      },
      "t", uint64_t(idle_ms));
}

void MutterIdleMonitor::OnWatchFired(uint32_t id) {
  if (id == 0) return;
  if (id == m_idle_watch) {
    m_events.IdleNow();
    WatchForInput();
  } else if (id == m_active_watch) {
    // A user-active watch fires once, and mutter drops it.
    m_active_watch = 0;
    m_events.ActiveAgain();
  }
}

void MutterIdleMonitor::WatchForInput() {
  if (m_active_watch != 0) return;
  m_bus.Call(kCore, "AddUserActiveWatch", [this](sd_bus_message* reply) {
    std::optional<uint32_t> id = DBusConnection::ReadUint32(reply);
    if (!id) return;
    m_active_watch = *id;
    // Input between the idle watch and this one would go unseen by it; the idle time shows
    // it, since input sets it back to zero.
    m_bus.Call(kCore, "GetIdletime", [this, id = *id](sd_bus_message* idle) {
      std::optional<uint64_t> idle_ms = DBusConnection::ReadUint64(idle);
      if (!idle_ms || *idle_ms >= m_idle_ms || m_active_watch != id) return;
      m_active_watch = 0;
      m_bus.Call(
          kCore, "RemoveWatch", [](sd_bus_message*) {}, "u", id);
      m_events.ActiveAgain();
    });
  });
}

}  // namespace vt
