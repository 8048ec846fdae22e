#include "idle/IdleStarter.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "idle/WaylandIdleNotifier.h"
#include "idle/X11ServerSaver.h"
#include "widgets/linux/MonotonicClock.h"

namespace vt {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

void Say(const std::string& line) {
  std::fprintf(stderr, "vantorel: %s\n", line.c_str());
  std::fflush(stderr);
}

// A saver that cannot be watched through a pidfd (a kernel before 5.3) is looked at this often.
constexpr int64_t kReapWithoutPidFdMs = 1000;

}  // namespace

IdleStarter::IdleStarter(int idle_seconds)
    : m_idle_seconds(idle_seconds), m_policy(int64_t(idle_seconds) * 1000) {}

IdleStarter::~IdleStarter() = default;

int IdleStarter::Run(int* signal) {
  *signal = 0;
  bool wayland = IsSet("WAYLAND_DISPLAY") || IsSet("WAYLAND_SOCKET");
  bool x11 = IsSet("DISPLAY");
  if (!wayland && !x11) {
    Say("--idle has no session to watch: neither WAYLAND_DISPLAY (Wayland) nor DISPLAY (X11) "
        "names a display");
    return 1;
  }
  // A connection closed under a write is found by the wait, not by death from SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);

  m_session = DBusConnection::Open(DBusConnection::Bus::Session);
  m_system = DBusConnection::Open(DBusConnection::Bus::System);
  if (m_system) m_logind = std::make_unique<LogindWatch>(*m_system, *this);
  if (m_session) {
    m_gnome_lock = std::make_unique<ScreenLockWatch>(*m_session, *this, Reporter::GnomeScreenSaver);
    m_kde_lock = std::make_unique<ScreenLockWatch>(*m_session, *this, Reporter::KdeScreenSaver);
    m_kde_inhibitions = std::make_unique<KdeInhibitions>(*m_session, *this);
    // GNOME's compositor first, on Wayland and X11 alike: it offers no Wayland idle protocol,
    // and on X11 its own idle watch knows GNOME's inhibitors.
    m_session->HasOwner(MutterIdleMonitor::kService,
                        [this](bool owned) { m_mutter_found = owned; });
    if (!WaitUntil([this] { return m_mutter_found.has_value(); })) return Finish(signal);
  }
  auto idle_ms = uint32_t(m_idle_seconds) * 1000;
  if (m_mutter_found == true) {
    m_mutter = std::make_unique<MutterIdleMonitor>(*m_session, *this, idle_ms);
  } else if (std::string error; !OpenDisplaySource(wayland, x11, &error)) {
    Say(error);
    Finish(signal);
    return 1;
  }
  WaitUntil([] { return false; });
  return Finish(signal);
}

bool IdleStarter::OpenDisplaySource(bool wayland, bool x11, std::string* error) {
  std::string wayland_error;
  if (wayland) {
    bool connected = false;
    auto notifier = WaylandIdleNotifier::Open(uint32_t(m_idle_seconds) * 1000, *this,
                                              &wayland_error, &connected);
    if (notifier) {
      m_display = std::move(notifier);
      return true;
    }
    // A compositor that answers but tells no one of idleness is the session's; its X server
    // (Xwayland) sees only the input of X programs, so it is not asked instead.
    if (connected || !x11) {
      *error = wayland_error;
      return false;
    }
  }
  m_display = X11ServerSaver::Open(m_idle_seconds, *this, error);
  if (!m_display && !wayland_error.empty()) *error = wayland_error + "; " + *error;
  return m_display != nullptr;
}

int IdleStarter::Finish(int* signal) {
  // The saver first: it gives the X server's saver timer back to the starter as it ends,
  // and the starter then gives it back to the user.
  m_saver.End();
  m_display.reset();
  *signal = m_signal;
  if (!m_lost.empty()) {
    Say(m_lost);
    return 1;
  }
  return 0;
}

std::vector<WaitSource*> IdleStarter::Sources() const {
  std::vector<WaitSource*> sources;
  for (WaitSource* source : {static_cast<WaitSource*>(m_session.get()),
                             static_cast<WaitSource*>(m_system.get()), m_display.get()}) {
    if (source) sources.push_back(source);
  }
  return sources;
}

std::optional<int64_t> IdleStarter::NextDeadline(int64_t now) const {
  std::optional<int64_t> next;
  auto consider = [&](std::optional<int64_t> deadline) {
    if (deadline && (!next || *deadline < *next)) next = deadline;
  };
  for (WaitSource* source : Sources()) consider(source->Deadline());
  consider(m_policy.Deadline());
  consider(m_saver.KillDeadline());
  if (m_saver.Running() && m_saver.Fd() < 0) consider(now + kReapWithoutPidFdMs);
  return next;
}

bool IdleStarter::WaitUntil(const std::function<bool()>& done) {
  auto ended = [this] { return m_signal != 0 || !m_lost.empty(); };
  while (!ended() && !done()) {
    std::vector<WaitSource*> sources = Sources();
    for (WaitSource* source : sources) source->BeforeWait();
    if (ended()) break;
    // A negative descriptor (no saver runs) is passed over by poll().
    std::vector<pollfd> fds = {{m_signals.ReadFd(), POLLIN, 0}, {m_saver.Fd(), POLLIN, 0}};
    for (WaitSource* source : sources) fds.push_back({source->Fd(), source->Events(), 0});
    int64_t now = MonotonicMs();
    std::optional<int64_t> deadline = NextDeadline(now);
    int timeout = deadline ? int(std::clamp<int64_t>(*deadline - now, 0, 24 * 3600 * 1000)) : -1;
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
      Lost("cannot wait for the session's events");
      break;
    }
    if (fds[0].revents) {
      if (int taken = m_signals.Take()) m_signal = taken;
      if (ended()) break;
    }
    if ((fds[1].revents || (m_saver.Running() && m_saver.Fd() < 0)) && m_saver.Running() &&
        m_saver.Reap()) {
      if (m_display) m_display->SaverEnded();
      Apply(m_policy.SaverEnded());
    }
    for (size_t i = 0; i < sources.size() && !ended(); ++i) {
      std::string reason;
      if (!sources[i]->Ready(fds[i + 2].revents, &reason)) Lost(reason);
    }
    now = MonotonicMs();
    Apply(m_policy.DeadlinePassed(now));
    m_saver.KillIfOverdue(now);
  }
  return !ended();
}

void IdleStarter::Apply(SaverPolicy::Action action) {
  if (action == SaverPolicy::Action::StartSaver) {
    std::string error;
    if (!m_saver.Start(&error)) {
      Say(error);
      m_policy.SaverEnded();
    }
  } else if (action == SaverPolicy::Action::StopSaver) {
    m_saver.Stop(MonotonicMs());
  }
}

void IdleStarter::IdleNow() {
  Apply(m_policy.IdleNow());
}

void IdleStarter::ActiveAgain() {
  Apply(m_policy.ActiveAgain());
}

void IdleStarter::Inhibited(Reporter who, bool inhibited) {
  Apply(m_policy.Inhibited(who, inhibited, MonotonicMs()));
}

void IdleStarter::Locked(Reporter who, bool locked) {
  Apply(m_policy.Locked(who, locked, MonotonicMs()));
}

void IdleStarter::Lost(const std::string& reason) {
  if (m_lost.empty()) m_lost = reason;
}

}  // namespace vt
