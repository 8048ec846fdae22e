// The Win32 backend's part in the display's power:
// - the console display's state (GUID_CONSOLE_DISPLAY_STATE), registered for on the backend's
//   message window and reported there and to any window of the program by WM_POWERBROADCAST:
//   off is dark, and FrameInUse then takes no frame, so that nothing is painted or sent and
//   the ticks of the scene wait; on or dimmed is lit, and the frames held back are released.
// The power settings stay the user's: the saver neither changes them nor holds them off.
#include <cstring>

#include "widgets/win32/Win32Backend.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

namespace {

// GUID_CONSOLE_DISPLAY_STATE, spelled out: mingw-w64 declares it without a definition to link.
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr DWORD kDisplayOff = 0;

}  // namespace

bool Win32Backend::FrameInUse(WindowHandle) {
  return m_dark;
}

void Win32Backend::RegisterForPower() {
  // The system answers the registration at once with the state it is in.
  m_power_notification = RegisterPowerSettingNotification(m_message_window, &kConsoleDisplayState,
                                                          DEVICE_NOTIFY_WINDOW_HANDLE);
}

void Win32Backend::UnregisterForPower() {
  if (m_power_notification != nullptr) UnregisterPowerSettingNotification(m_power_notification);
  m_power_notification = nullptr;
}

bool Win32Backend::HandlePowerBroadcast(WPARAM wparam, LPARAM lparam) {
  if (wparam != PBT_POWERSETTINGCHANGE || lparam == 0) return false;
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lparam);
  if (std::memcmp(&setting->PowerSetting, &kConsoleDisplayState, sizeof(GUID)) != 0 ||
      setting->DataLength < sizeof(DWORD)) {
    return false;
  }
  DWORD state = 0;
  std::memcpy(&state, setting->Data, sizeof state);
  // A dimmed display still shows the scene.
  SetDark(state == kDisplayOff);
  return true;
}

void Win32Backend::SetDark(bool dark) {
  if (dark == m_dark) return;
  m_dark = dark;
  if (dark) return;
  for (const auto& [window, state] : m_windows) {
    if (!IsWindowVisible(window)) continue;
    InputEvent released;
    released.type = EventType::FrameReleased;
    released.window = WindowHandle(window);
    Push(released);
  }
}

}  // namespace vt
