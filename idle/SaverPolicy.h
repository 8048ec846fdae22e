#pragma once

#include <cstdint>
#include <optional>

#include "idle/IdleEvents.h"

namespace vt {

// When the saver starts and when it must stop, from what the desktop says: it starts once the
// session is idle, unless a program holds the session awake or the session is locked, and one
// saver at a time; it stops at once when the lock comes, so that the lock screen is never hidden
// behind the scene. Input ends the saver by itself. Plain logic: times are monotonic
// milliseconds given by the caller.
class SaverPolicy {
 public:
  enum class Action { None, StartSaver, StopSaver };

  explicit SaverPolicy(int64_t idle_ms) : m_idle_ms(idle_ms) {}

  Action IdleNow();
  Action ActiveAgain();
  Action Inhibited(Reporter who, bool inhibited, int64_t now);
  Action Locked(Reporter who, bool locked, int64_t now);
  // The saver asked for could not start, or has ended: the next one waits for the next idle
  // period, so that the input that ended it, which the idle source may report later, never
  // finds a new saver already started. A saver stopped for the lock leaves the session idle.
  Action SaverEnded();
  // The moment DeadlinePassed must be called; none while nothing waits for the time.
  std::optional<int64_t> Deadline() const { return m_resume_at; }
  Action DeadlinePassed(int64_t now);

  bool SaverRunning() const { return m_saver; }
  bool Blocked() const { return m_inhibitors != 0 || m_locks != 0; }

 private:
  // Records one reporter's say in a set of them.
  static void Set(unsigned& set, Reporter who, bool on);
  // After a change of inhibitors or locks: a session that stays idle once nothing blocks it
  // any more waits one more idle time (the video has just ended) before the saver starts.
  void AfterBlockChange(bool was_blocked, int64_t now);
  Action StartIfDue();

  int64_t m_idle_ms;
  bool m_idle = false;
  bool m_saver = false;
  bool m_stopping = false;
  unsigned m_inhibitors = 0;
  unsigned m_locks = 0;
  std::optional<int64_t> m_resume_at;
};

}  // namespace vt
