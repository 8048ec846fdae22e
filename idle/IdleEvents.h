#pragma once

#include <string>

namespace vt {

// Who says that the session's idleness must not start the saver. Each keeps its own say: the
// session is inhibited (or locked) while any of them says so.
enum class Reporter {
  Logind,              // the login manager: an idle inhibitor (BlockInhibited), the session's lock
  KdePowerManagement,  // Plasma's power management: inhibitors taken over D-Bus
  GnomeScreenSaver,    // GNOME Shell's lock screen
  KdeScreenSaver,      // Plasma's lock screen
};

// What the desktop tells the idle starter, whichever of its parts says it. Every source of
// idleness, inhibition and locks reports through this one interface.
class IdleEvents {
 public:
  virtual ~IdleEvents() = default;

  // Keyboard and pointer have been left alone for the idle time.
  virtual void IdleNow() = 0;
  // Input came after the session went idle.
  virtual void ActiveAgain() = 0;
  // A program (a video player, a presentation) holds the session awake, or lets it go.
  virtual void Inhibited(Reporter who, bool inhibited) = 0;
  // The session's lock screen came, or went.
  virtual void Locked(Reporter who, bool locked) = 0;
  // The connection a source depends on is gone for good (the compositor ended, the bus went
  // away): the starter ends. The reason completes "vantorel: ...".
  virtual void Lost(const std::string& reason) = 0;
};

}  // namespace vt
