#include "idle/SaverPolicy.h"

namespace vt {

void SaverPolicy::Set(unsigned& set, Reporter who, bool on) {
  unsigned bit = 1u << unsigned(who);
  set = on ? set | bit : set & ~bit;
}

SaverPolicy::Action SaverPolicy::StartIfDue() {
  if (!m_idle || m_saver || Blocked() || m_resume_at) return Action::None;
  m_saver = true;
  return Action::StartSaver;
}

SaverPolicy::Action SaverPolicy::IdleNow() {
  m_idle = true;
  // The source's own idle time has just passed: nothing more to wait for.
  m_resume_at.reset();
  return StartIfDue();
}

SaverPolicy::Action SaverPolicy::ActiveAgain() {
  m_idle = false;
  m_resume_at.reset();
  return Action::None;
}

void SaverPolicy::AfterBlockChange(bool was_blocked, int64_t now) {
  if (Blocked()) {
    m_resume_at.reset();
  } else if (was_blocked && m_idle && !m_saver) {
    m_resume_at = now + m_idle_ms;
  }
}

SaverPolicy::Action SaverPolicy::Inhibited(Reporter who, bool inhibited, int64_t now) {
  bool was_blocked = Blocked();
  Set(m_inhibitors, who, inhibited);
  AfterBlockChange(was_blocked, now);
  return Action::None;
}

SaverPolicy::Action SaverPolicy::Locked(Reporter who, bool locked, int64_t now) {
  bool was_blocked = Blocked();
  Set(m_locks, who, locked);
  AfterBlockChange(was_blocked, now);
  if (locked && m_saver && !m_stopping) {
    m_stopping = true;
    return Action::StopSaver;
  }
  return Action::None;
}

SaverPolicy::Action SaverPolicy::SaverEnded() {
  // One stopped for the lock ended on no input: the session is as idle as before.
  if (!m_stopping) m_idle = false;
  m_saver = false;
  m_stopping = false;
  return Action::None;
}

SaverPolicy::Action SaverPolicy::DeadlinePassed(int64_t now) {
  if (!m_resume_at || now < *m_resume_at) return Action::None;
  m_resume_at.reset();
  return StartIfDue();
}

}  // namespace vt
