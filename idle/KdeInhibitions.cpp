#include "idle/KdeInhibitions.h"

namespace vt {

namespace {

constexpr BusObject kPolicyAgent = {"org.kde.Solid.PowerManagement.PolicyAgent",
                                    "/org/kde/Solid/PowerManagement/PolicyAgent",
                                    "org.kde.Solid.PowerManagement.PolicyAgent"};
// The policy a video player's inhibitor holds: the screen is not to be dimmed, blanked or
// covered.
constexpr uint32_t kChangeScreenSettings = 4;

}  // namespace

KdeInhibitions::KdeInhibitions(DBusConnection& bus, IdleEvents& events)
    : m_bus(bus), m_events(events) {
  m_bus.OnSignal(kPolicyAgent.path, kPolicyAgent.interface, "InhibitionsChanged",
                 [this](sd_bus_message*) { Ask(); });
  m_bus.OnOwnerChange(kPolicyAgent.service, [this](bool owned) {
    if (owned) {
      Ask();
    } else {
      m_events.Inhibited(Reporter::KdePowerManagement, false);
    }
  });
  Ask();
}

void KdeInhibitions::Ask() {
  m_bus.Call(
      kPolicyAgent, "HasInhibition",
      [this](sd_bus_message* reply) {
        m_events.Inhibited(Reporter::KdePowerManagement,
                           DBusConnection::ReadBool(reply).value_or(false));
      },
      "u", kChangeScreenSettings);
}

}  // namespace vt
