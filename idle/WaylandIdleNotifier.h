#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "idle/IdleEvents.h"
#include "idle/WaitSource.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

namespace vt {

// A Wayland compositor's idle signal: ext_idle_notifier_v1 (KWin, sway from 1.8, Hyprland,
// river, labwc), else KDE's older org_kde_kwin_idle (sway 1.7). Both report idle after the
// idle time without input on the seat, and input after it; both keep quiet while a client's
// surface holds an idle inhibitor (a video player's), so those keep the saver away by
// themselves. Of ext_idle_notifier_v1 only the plain idle notification is used, the one that
// honours inhibitors.
class WaylandIdleNotifier : public WaitSource {
 public:
  // Connects to the compositor WAYLAND_DISPLAY names. Null with the reason when it does not
  // answer or offers neither protocol; *connected says whether it answered at all.
  static std::unique_ptr<WaylandIdleNotifier> Open(uint32_t idle_ms, IdleEvents& events,
                                                   std::string* error, bool* connected);
  ~WaylandIdleNotifier() override;
  WaylandIdleNotifier(const WaylandIdleNotifier&) = delete;
  WaylandIdleNotifier& operator=(const WaylandIdleNotifier&) = delete;

  // Which protocol it listens to.
  const char* Protocol() const;

  int Fd() const override;
  void BeforeWait() override;
  bool Ready(short revents, std::string* lost) override;

 private:
  friend struct WaylandIdleEvents;
  WaylandIdleNotifier(wl_display* display, IdleEvents& events)
      : m_display(display), m_events(events) {}
  void Bind(uint32_t name, const char* interface, uint32_t version);
  std::string LostReason() const;

  wl_display* m_display;
  IdleEvents& m_events;
  std::string m_name;  // as WAYLAND_DISPLAY names it
  wl_registry* m_registry = nullptr;
  wl_seat* m_seat = nullptr;
  ext_idle_notifier_v1* m_notifier = nullptr;
  ext_idle_notification_v1* m_notification = nullptr;
  org_kde_kwin_idle* m_kde_idle = nullptr;
  org_kde_kwin_idle_timeout* m_kde_timeout = nullptr;
};

}  // namespace vt
