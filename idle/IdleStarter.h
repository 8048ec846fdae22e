#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "idle/DBusConnection.h"
#include "idle/IdleEvents.h"
#include "idle/KdeInhibitions.h"
#include "idle/LogindWatch.h"
#include "idle/MutterIdleMonitor.h"
#include "idle/SaverChild.h"
#include "idle/SaverPolicy.h"
#include "idle/ScreenLockWatch.h"
#include "idle/WaitSource.h"
#include "widgets/linux/SignalPipe.h"

namespace vt {

// "vantorel --idle SECONDS": stays in the background of a desktop session and starts the
// full-screen saver, a child process, whenever the session has been idle for the idle time.
// One poll() waits on everything: the desktop's idle signal (mutter's idle monitor on the
// session bus, the Wayland compositor's idle protocol, or the X server's saver timer, chosen
// once at the start in that order), the buses that tell inhibitors and locks, the termination
// signals and the saver's end. Nothing wakes it up in between.
class IdleStarter : public IdleEvents {
 public:
  explicit IdleStarter(int idle_seconds);
  ~IdleStarter() override;
  IdleStarter(const IdleStarter&) = delete;
  IdleStarter& operator=(const IdleStarter&) = delete;

  // Runs until the session ends or a termination signal comes, and leaves no saver behind:
  // the exit code, and in *signal the signal that ended it (0 for none), which the caller is
  // to end by once everything is put back.
  int Run(int* signal);

  void IdleNow() override;
  void ActiveAgain() override;
  void Inhibited(Reporter who, bool inhibited) override;
  void Locked(Reporter who, bool locked) override;
  void Lost(const std::string& reason) override;

 private:
  // Waits for and handles what comes until done() holds; false when the starter is to end
  // first (a signal, a lost connection).
  bool WaitUntil(const std::function<bool()>& done);
  // Opens the compositor's or the X server's idle signal; false with the reason.
  bool OpenDisplaySource(bool wayland, bool x11, std::string* error);
  // Ends the saver, then gives back what the sources changed: the exit code.
  int Finish(int* signal);
  void Apply(SaverPolicy::Action action);
  std::vector<WaitSource*> Sources() const;
  std::optional<int64_t> NextDeadline(int64_t now) const;

  int m_idle_seconds;
  SaverPolicy m_policy;
  SignalPipe m_signals;
  SaverChild m_saver;
  // The buses before what watches them: the watchers go first, and their handlers with the
  // buses after them, never called again.
  std::unique_ptr<DBusConnection> m_session;
  std::unique_ptr<DBusConnection> m_system;
  std::unique_ptr<LogindWatch> m_logind;
  std::unique_ptr<ScreenLockWatch> m_gnome_lock;
  std::unique_ptr<ScreenLockWatch> m_kde_lock;
  std::unique_ptr<KdeInhibitions> m_kde_inhibitions;
  std::unique_ptr<MutterIdleMonitor> m_mutter;
  std::optional<bool> m_mutter_found;
  std::unique_ptr<WaitSource> m_display;
  int m_signal = 0;
  std::string m_lost;
};

}  // namespace vt
