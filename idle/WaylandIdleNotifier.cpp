#include "idle/WaylandIdleNotifier.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

namespace vt {

struct WaylandIdleEvents {
  static void Global(void* data, wl_registry* /*registry*/, uint32_t name, const char* interface,
                     uint32_t version) {
    static_cast<WaylandIdleNotifier*>(data)->Bind(name, interface, version);
  }
  static void GlobalRemove(void* /*data*/, wl_registry* /*registry*/, uint32_t /*name*/) {}
  static void Idled(void* data, ext_idle_notification_v1* /*notification*/) {
    static_cast<WaylandIdleNotifier*>(data)->m_events.IdleNow();
  }
  static void Resumed(void* data, ext_idle_notification_v1* /*notification*/) {
    static_cast<WaylandIdleNotifier*>(data)->m_events.ActiveAgain();
  }
  static void KdeIdle(void* data, org_kde_kwin_idle_timeout* /*timeout*/) {
    static_cast<WaylandIdleNotifier*>(data)->m_events.IdleNow();
  }
  static void KdeResumed(void* data, org_kde_kwin_idle_timeout* /*timeout*/) {
    static_cast<WaylandIdleNotifier*>(data)->m_events.ActiveAgain();
  }
};

namespace {

constexpr wl_registry_listener kRegistryListener = {WaylandIdleEvents::Global,
                                                    WaylandIdleEvents::GlobalRemove};
constexpr ext_idle_notification_v1_listener kNotificationListener = {WaylandIdleEvents::Idled,
                                                                     WaylandIdleEvents::Resumed};
constexpr org_kde_kwin_idle_timeout_listener kKdeTimeoutListener = {WaylandIdleEvents::KdeIdle,
                                                                    WaylandIdleEvents::KdeResumed};

// libwayland's own messages would be lines of their own; the reason is said once, here.
void QuietLog(const char* /*format*/, va_list /*args*/) {}

}  // namespace

std::unique_ptr<WaylandIdleNotifier> WaylandIdleNotifier::Open(uint32_t idle_ms, IdleEvents& events,
                                                               std::string* error,
                                                               bool* connected) {
  wl_log_set_handler_client(QuietLog);
  const char* name = std::getenv("WAYLAND_DISPLAY");
  std::string shown = name && *name ? name : "wayland-0";
  wl_display* display = wl_display_connect(nullptr);
  *connected = display != nullptr;
  if (!display) {
    *error = "cannot connect to the Wayland display \"" + shown + "\"";
    return nullptr;
  }
  std::unique_ptr<WaylandIdleNotifier> notifier(new WaylandIdleNotifier(display, events));
  notifier->m_name = shown;
  notifier->m_registry = wl_display_get_registry(display);
  wl_registry_add_listener(notifier->m_registry, &kRegistryListener, notifier.get());
  if (wl_display_roundtrip(display) < 0) {
    *connected = false;
    *error = "the Wayland display \"" + shown + "\" does not answer";
    return nullptr;
  }
  if (!notifier->m_seat) {
    *error = "the Wayland display \"" + shown + "\" has no seat to watch";
    return nullptr;
  }
  if (notifier->m_notifier) {
    notifier->m_notification =
        ext_idle_notifier_v1_get_idle_notification(notifier->m_notifier, idle_ms, notifier->m_seat);
    ext_idle_notification_v1_add_listener(notifier->m_notification, &kNotificationListener,
                                          notifier.get());
  } else if (notifier->m_kde_idle) {
    notifier->m_kde_timeout =
        org_kde_kwin_idle_get_idle_timeout(notifier->m_kde_idle, notifier->m_seat, idle_ms);
    org_kde_kwin_idle_timeout_add_listener(notifier->m_kde_timeout, &kKdeTimeoutListener,
                                           notifier.get());
  } else {
    *error = "the Wayland compositor at \"" + shown +
             "\" tells no one when the session is idle (it offers neither ext_idle_notifier_v1 "
             "nor org_kde_kwin_idle)";
    return nullptr;
  }
  if (wl_display_flush(display) < 0) {
    *error = "the Wayland display \"" + shown + "\" does not answer";
    return nullptr;
  }
  return notifier;
}

WaylandIdleNotifier::~WaylandIdleNotifier() {
  if (m_notification) ext_idle_notification_v1_destroy(m_notification);
  if (m_notifier) ext_idle_notifier_v1_destroy(m_notifier);
  if (m_kde_timeout) org_kde_kwin_idle_timeout_release(m_kde_timeout);
  // Version 1 of KDE's idle interface has no destructor request.
  if (m_kde_idle) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_kde_idle));
  if (m_seat) wl_seat_destroy(m_seat);
  if (m_registry) wl_registry_destroy(m_registry);
  wl_display_disconnect(m_display);
}

void WaylandIdleNotifier::Bind(uint32_t name, const char* interface, uint32_t /*version*/) {
  std::string_view kind = interface;
  // Version 1 of each is all that is used: the plain idle notification, no more.
  if (kind == wl_seat_interface.name && !m_seat) {
    m_seat = static_cast<wl_seat*>(wl_registry_bind(m_registry, name, &wl_seat_interface, 1));
  } else if (kind == ext_idle_notifier_v1_interface.name && !m_notifier) {
    m_notifier = static_cast<ext_idle_notifier_v1*>(
        wl_registry_bind(m_registry, name, &ext_idle_notifier_v1_interface, 1));
  } else if (kind == org_kde_kwin_idle_interface.name && !m_kde_idle) {
    m_kde_idle = static_cast<org_kde_kwin_idle*>(
        wl_registry_bind(m_registry, name, &org_kde_kwin_idle_interface, 1));
  }
}

const char* WaylandIdleNotifier::Protocol() const {
  return m_notifier ? ext_idle_notifier_v1_interface.name : org_kde_kwin_idle_interface.name;
}

int WaylandIdleNotifier::Fd() const {
  return wl_display_get_fd(m_display);
}

void WaylandIdleNotifier::BeforeWait() {
  wl_display_dispatch_pending(m_display);
  wl_display_flush(m_display);
}

bool WaylandIdleNotifier::Ready(short revents, std::string* lost) {
  if (revents == 0) return true;
  if (wl_display_dispatch(m_display) >= 0) return true;
  *lost = LostReason();
  return false;
}

std::string WaylandIdleNotifier::LostReason() const {
  std::string reason = "lost the connection to the Wayland display \"" + m_name + "\"";
  if (wl_display_get_error(m_display) == EPROTO) reason += " (protocol error)";
  return reason;
}

}  // namespace vt
