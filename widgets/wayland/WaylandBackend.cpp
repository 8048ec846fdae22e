// The Wayland backend's connection and event loop:
// - connecting, and binding the globals the other parts use as the registry announces them;
// - the wait for events on the connection with poll(), the backend's own queue;
// - the monotonic clock;
// - a broken connection reported as DisplayLost, with the protocol error that broke it;
// - nothing left to show on reported as a close request of the application's window;
// - SIGTERM, SIGINT and SIGHUP turned into one too, through the signal pipe;
// - the session's one saver, claimed with a lock on a file of the session's runtime folder.
#include "widgets/wayland/WaylandBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "widgets/linux/MonotonicClock.h"
#include "widgets/wayland/WaylandBuffers.h"
#include "widgets/wayland/WaylandKeys.h"
#include "widgets/wayland/WaylandLayerShell.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vt {

struct WaylandGlobalEvents {
  static void Global(void* data, wl_registry* /*registry*/, uint32_t name, const char* interface,
                     uint32_t version) {
    static_cast<WaylandBackend*>(data)->BindGlobal(name, interface, version);
  }
  static void GlobalRemove(void* data, wl_registry* /*registry*/, uint32_t name) {
    static_cast<WaylandBackend*>(data)->RemoveGlobal(name);
  }
  static void Ping(void* /*data*/, xdg_wm_base* wm_base, uint32_t serial) {
    xdg_wm_base_pong(wm_base, serial);
  }
};

namespace {

constexpr wl_registry_listener kRegistryListener = {WaylandGlobalEvents::Global,
                                                    WaylandGlobalEvents::GlobalRemove};
constexpr xdg_wm_base_listener kWmBaseListener = {WaylandGlobalEvents::Ping};

// damage_buffer came with version 4 of the compositor.
constexpr uint32_t kCompositorVersion = 4;

// What libwayland last reported: the text of a protocol error, which comes only through its
// log. The log handler takes no context, and one program has one connection.
std::string g_last_log;

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface& interface, uint32_t offered,
        uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

}  // namespace

void WaylandBackend::LogHandler(const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  g_last_log = text;
  while (!g_last_log.empty() && (g_last_log.back() == '\n' || g_last_log.back() == ' ')) {
    g_last_log.pop_back();
  }
}

std::unique_ptr<WaylandBackend> WaylandBackend::Open(std::string* error) {
  // The program's own line says what went wrong; libwayland's would be a second one.
  wl_log_set_handler_client(LogHandler);
  wl_display* display = wl_display_connect(nullptr);
  const char* name = std::getenv("WAYLAND_DISPLAY");
  std::string shown = name ? name : "wayland-0";
  if (!display) {
    if (error) *error = "cannot connect to the Wayland display \"" + shown + "\"";
    return nullptr;
  }
  const char* shell = std::getenv("VANTOREL_WAYLAND_SHELL");
  bool force_xdg = shell && std::strcmp(shell, "xdg") == 0;
  std::unique_ptr<WaylandBackend> backend(
      new WaylandBackend(display, force_xdg ? Shell::Xdg : Shell::Layer));
  backend->m_display_name = shown;
  if (!backend->Start(error)) return nullptr;
  return backend;
}

WaylandBackend::WaylandBackend(wl_display* display, Shell shell)
    : m_display(display), m_shell(shell) {}

bool WaylandBackend::Start(std::string* error) {
  auto fail = [&](const std::string& reason) {
    if (error) *error = "the Wayland display \"" + m_display_name + "\" " + reason;
    return false;
  };
  m_globals.registry = wl_display_get_registry(m_display);
  wl_registry_add_listener(m_globals.registry, &kRegistryListener, this);
  // The first round trip announces the globals, the second what the outputs and seats say.
  const std::string no_answer = "does not answer";
  if (!Roundtrip()) return fail(no_answer + LostReasonText());
  for (auto& [name, output] : m_outputs) DescribeOutput(*output);
  if (!Roundtrip()) return fail(no_answer + LostReasonText());
  if (!m_globals.compositor) return fail("offers no wl_compositor of version 4");
  if (!m_globals.shm) return fail("offers no wl_shm");
  if (!m_globals.layer_shell) m_shell = Shell::Xdg;
  if (m_shell == Shell::Xdg && !m_globals.wm_base) {
    return fail("offers neither zwlr_layer_shell_v1 nor xdg_wm_base");
  }
  return true;
}

WaylandBackend::~WaylandBackend() {
  if (m_claim_fd >= 0) close(m_claim_fd);
  RemoveCovers();
  for (auto& [handle, surface] : m_windows) ReleaseSurface(*surface);
  m_windows.clear();
  if (m_placed) ReleaseSurface(*m_placed);
  m_placed.reset();
  while (!m_seats.empty()) RemoveSeat(*m_seats.begin()->second);
  while (!m_outputs.empty()) RemoveOutput(m_outputs.begin()->first);
  ReleaseRetired();
  if (m_globals.output_manager) zxdg_output_manager_v1_destroy(m_globals.output_manager);
  if (m_globals.viewporter) wp_viewporter_destroy(m_globals.viewporter);
  if (m_globals.fractional_scale) {
    wp_fractional_scale_manager_v1_destroy(m_globals.fractional_scale);
  }
  if (m_globals.layer_shell) zwlr_layer_shell_v1_destroy(m_globals.layer_shell);
  if (m_globals.wm_base) xdg_wm_base_destroy(m_globals.wm_base);
  if (m_globals.shm) wl_shm_destroy(m_globals.shm);
  if (m_globals.subcompositor) wl_subcompositor_destroy(m_globals.subcompositor);
  if (m_globals.compositor) wl_compositor_destroy(m_globals.compositor);
  if (m_globals.registry) wl_registry_destroy(m_globals.registry);
  wl_display_flush(m_display);
  wl_display_disconnect(m_display);
}

void WaylandBackend::BindGlobal(uint32_t name, const char* interface, uint32_t version) {
  wl_registry* registry = m_globals.registry;
  std::string_view kind = interface;
  if (kind == wl_compositor_interface.name && version >= kCompositorVersion) {
    m_globals.compositor =
        Bind<wl_compositor>(registry, name, wl_compositor_interface, version, kCompositorVersion);
  } else if (kind == wl_subcompositor_interface.name) {
    m_globals.subcompositor =
        Bind<wl_subcompositor>(registry, name, wl_subcompositor_interface, version, 1);
  } else if (kind == wl_shm_interface.name) {
    m_globals.shm = Bind<wl_shm>(registry, name, wl_shm_interface, version, 1);
  } else if (kind == xdg_wm_base_interface.name) {
    m_globals.wm_base = Bind<xdg_wm_base>(registry, name, xdg_wm_base_interface, version, 1);
    xdg_wm_base_add_listener(m_globals.wm_base, &kWmBaseListener, this);
  } else if (kind == zwlr_layer_shell_v1_interface.name) {
    m_globals.layer_shell =
        Bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, 4);
  } else if (kind == zxdg_output_manager_v1_interface.name) {
    m_globals.output_manager =
        Bind<zxdg_output_manager_v1>(registry, name, zxdg_output_manager_v1_interface, version, 3);
  } else if (kind == wp_viewporter_interface.name) {
    m_globals.viewporter = Bind<wp_viewporter>(registry, name, wp_viewporter_interface, version, 1);
  } else if (kind == wp_fractional_scale_manager_v1_interface.name) {
    m_globals.fractional_scale = Bind<wp_fractional_scale_manager_v1>(
        registry, name, wp_fractional_scale_manager_v1_interface, version, 1);
  } else if (kind == wl_output_interface.name) {
    AddOutput(name, version);
  } else if (kind == wl_seat_interface.name) {
    AddSeat(name, version);
  }
}

void WaylandBackend::RemoveGlobal(uint32_t name) {
  if (m_outputs.count(name)) RemoveOutput(name);
  if (auto seat = m_seats.find(name); seat != m_seats.end()) RemoveSeat(*seat->second);
}

bool WaylandBackend::Roundtrip() {
  if (!m_lost && wl_display_roundtrip(m_display) < 0) Lose();
  ReleaseRetired();
  return !m_lost;
}

void WaylandBackend::Lose() {
  if (m_lost) return;
  m_lost = true;
  if (wl_display_get_error(m_display) != EPROTO) return;
  // libwayland's report names the object and says what was wrong in words; without it, the
  // interface, object and code are all there is.
  std::string what = g_last_log;
  if (what.empty()) {
    const wl_interface* interface = nullptr;
    uint32_t object = 0;
    uint32_t code = wl_display_get_protocol_error(m_display, &interface, &object);
    what = std::string(interface ? interface->name : "?") + "@" + std::to_string(object) +
           ": error " + std::to_string(code);
  }
  m_lost_reason = "protocol error: " + what;
}

void WaylandBackend::NothingToShow() {
  m_nothing_to_show = true;
}

bool WaylandBackend::ClaimSaver() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return true;
  // One lock per compositor, however its socket is named: by its path, or by its name in the
  // runtime folder.
  std::string display = m_display_name;
  if (display.empty() || display[0] != '/') display = std::string(runtime) + "/" + display;
  std::replace(display.begin(), display.end(), '/', '_');
  std::string path = std::string(runtime) + "/vantorel" + display + ".lock";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file the saver runs, as it would anywhere else.
  if (fd < 0) return true;
  // The lock goes with the process, however it ends.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    bool held = errno == EWOULDBLOCK;
    close(fd);
    return !held;
  }
  m_claim_fd = fd;
  return true;
}

// ---- Time and events ----

int64_t WaylandBackend::NowMs() {
  return MonotonicMs();
}

void WaylandBackend::Push(const InputEvent& event) {
  m_queue.push_back(event);
}

void WaylandBackend::TakeSignals() {
  if (auto request = m_signals.TakeCloseRequest(m_app_window)) Push(*request);
}

std::optional<InputEvent> WaylandBackend::WaitEvent(int64_t deadline_ms) {
  // With no time to wait, a signal that has come goes first, as input does.
  if (deadline_ms >= 0 && NowMs() >= deadline_ms) TakeSignals();
  for (;;) {
    if (!m_lost && wl_display_dispatch_pending(m_display) < 0) Lose();
    ReleaseRetired();
    SettleClosedScene();
    if (m_nothing_to_show && !m_close_sent && m_app_window) {
      // An invisible saver that input cannot reach would outstay the user, and an idle
      // manager waiting for it would wait for ever: the program ends as if closed.
      m_close_sent = true;
      InputEvent event;
      event.type = EventType::CloseRequest;
      event.window = m_app_window;
      m_queue.push_front(event);
    }
    if (!m_queue.empty()) {
      InputEvent event = m_queue.front();
      m_queue.pop_front();
      return event;
    }
    if (m_lost) {
      InputEvent event;
      event.type = EventType::DisplayLost;
      return event;
    }
    int64_t now = NowMs();
    if (deadline_ms >= 0 && now >= deadline_ms) return std::nullopt;
    // Events read by another wait (a round trip) are dispatched before this one reads more.
    if (wl_display_prepare_read(m_display) != 0) continue;
    // A full socket takes the rest of the requests once the compositor has read some.
    short wanted = POLLIN;
    if (wl_display_flush(m_display) < 0) {
      if (errno == EAGAIN) {
        wanted |= POLLOUT;
      } else {
        wl_display_cancel_read(m_display);
        Lose();
        continue;
      }
    }
    int timeout = -1;
    if (deadline_ms >= 0) timeout = int(std::clamp<int64_t>(deadline_ms - now, 0, 1 << 30));
    // A signal wakes the poll through its pipe, or by interrupting it.
    pollfd fds[2] = {{wl_display_get_fd(m_display), wanted, 0}, {m_signals.ReadFd(), POLLIN, 0}};
    int ready = poll(fds, 2, timeout);
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
      if (wl_display_read_events(m_display) < 0) Lose();
    } else {
      wl_display_cancel_read(m_display);
    }
    if (fds[1].revents != 0) TakeSignals();
  }
}

void WaylandBackend::AnswerSysCommand(WindowHandle, uint32_t, intptr_t) {
  // No saver of the compositor's own announces itself: swayidle starts this one, and its other
  // commands (a lock, DPMS) stay the user's.
}

bool WaylandBackend::RecordErrorBox(const std::string&, const std::string&) {
  // A box is a subsurface above the full-screen window; without one, the report on standard
  // error is all there is.
  return !m_globals.subcompositor || !BoxParent();
}

}  // namespace vt
