#pragma once

#include <string>
#include <string_view>

#include "idle/DBusConnection.h"
#include "idle/IdleEvents.h"

namespace vt {

// The login manager on the system bus, which every systemd desktop has: its idle inhibitors
// (BlockInhibited naming "idle", as "systemd-inhibit --what=idle" and some players take them)
// and the lock of the user's graphical session (its LockedHint, which lock screens set).
// The session is logind's "auto" one: the caller's, or for a user service, which belongs to
// no session, the user's graphical one.
class LogindWatch {
 public:
  LogindWatch(DBusConnection& bus, IdleEvents& events);
  LogindWatch(const LogindWatch&) = delete;
  LogindWatch& operator=(const LogindWatch&) = delete;

  // Whether a BlockInhibited list ("shutdown:sleep:idle") names idle.
  static bool NamesIdle(std::string_view what);

 private:
  void AskInhibited();
  void WatchSession(const std::string& path);
  void AskLocked();

  DBusConnection& m_bus;
  IdleEvents& m_events;
  std::string m_session;  // the session's object path, once known
};

}  // namespace vt
