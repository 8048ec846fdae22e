// The X11 backend's part in the monitors' power, while a full-screen window is shown on a
// server with DPMS:
// - the power level read now and then, since DPMS announces nothing: monitors off, suspended
//   or in standby are dark, and FrameInUse then takes no frame, so that nothing is painted or
//   sent and the ticks of the scene wait;
// - read again at once on any event from the server while dark (input powers them up), and
//   the frames released when they are lit again.
// The power settings stay the user's: the saver neither changes them nor holds them off.
#include "widgets/x11/X11Backend.h"
// Xlib only after the backend's header: its macro Expose would hide EventType::Expose.
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace vt {

namespace {

// While the monitors are lit the ticks wake the program ten times a second anyway, and the
// level is read on one of those wake-ups; while they are dark, the read is all that wakes it,
// besides input.
constexpr int64_t kLitReadMs = 1000;
constexpr int64_t kDarkReadMs = 2000;

}  // namespace

void X11Backend::BeginPowerWatch() {
  int event_base = 0, error_base = 0;
  m_power_watch = DPMSQueryExtension(m_display, &event_base, &error_base) && DPMSCapable(m_display);
  SetDark(false);
  m_next_power_check_ms = m_power_watch ? NowMs() : -1;
}

void X11Backend::EndPowerWatch() {
  m_power_watch = false;
  m_next_power_check_ms = -1;
  SetDark(false);
}

void X11Backend::CheckPower(int64_t now) {
  if (!m_power_watch) return;
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  // With DPMS disabled the server reports the level it would have: the monitors stay on.
  const bool dark = DPMSInfo(m_display, &level, &enabled) && enabled && level != DPMSModeOn;
  m_next_power_check_ms = now + (dark ? kDarkReadMs : kLitReadMs);
  SetDark(dark);
}

void X11Backend::SetDark(bool dark) {
  if (dark == m_dark) return;
  m_dark = dark;
  if (dark) return;
  // Lit again: the frames held back are taken again.
  for (const auto& [window, state] : m_windows) {
    if (!state.shown) continue;
    InputEvent released;
    released.type = EventType::FrameReleased;
    released.window = window;
    Push(released);
  }
}

}  // namespace vt
