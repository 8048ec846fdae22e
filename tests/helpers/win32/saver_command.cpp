// saver_command: asks the running saver's window what the system would ask it, or does what
// another program on the desk would.
//
//   saver_command [windows|foreground|display WIDTH HEIGHT]
//
// Finds the visible top-most pop-up window of another process (the full-screen saver) and,
// without an argument, sends it WM_SYSCOMMAND with SC_SCREENSAVE, then with its secure form
// 0xF141 (the low four bits are the system's own), then with SC_MONITORPOWER (display on), and
// reports on standard output:
//   window LEFT TOP RIGHT BOTTOM      its rectangle on the screen
//   screensave RESULT                 the saver's answer to SC_SCREENSAVE
//   secure RESULT                     its answer to 0xF141, "timeout" after 5 seconds
//   monitorpower RESULT               its answer to SC_MONITORPOWER
//   default RESULT                    DefWindowProcW's answer to SC_MONITORPOWER for a window
//                                     of this program's own, to compare with
// "windows" reports each monitor, the primary one first ("monitor LEFT TOP RIGHT BOTTOM"), then
// each visible top-most pop-up of the saver's process, the top one first ("window ...").
// "foreground" makes a window of its own the foreground window, as a program popping up would,
// and reports "foreground 1" when it is. "display" gives the primary display another size, as
// the display settings do, and reports "display RESULT" (0 when it was changed).
// Exits with 1 when no saver window shows within 20 seconds.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr LPARAM kDisplayOn = -1;

// The saver's process, once known: FindSaver then lists its windows instead of stopping at the
// first one.
DWORD g_process = 0;

void PrintRect(const char* what, const RECT& box) {
  std::printf("%s %ld %ld %ld %ld\n", what, box.left, box.top, box.right, box.bottom);
}

BOOL CALLBACK FindSaver(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  LONG extended = GetWindowLongW(window, GWL_EXSTYLE);
  if (process == GetCurrentProcessId() || !IsWindowVisible(window) || !(style & WS_POPUP) ||
      !(extended & WS_EX_TOPMOST) || (g_process != 0 && process != g_process)) {
    return TRUE;
  }
  RECT box{};
  GetWindowRect(window, &box);
  if (g_process != 0) PrintRect("window", box);
  *reinterpret_cast<HWND*>(found) = window;
  return g_process != 0;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM primary) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  if (bool(info.dwFlags & MONITORINFOF_PRIMARY) == bool(primary)) {
    PrintRect("monitor", info.rcMonitor);
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HWND saver = nullptr;
  for (int tries = 0; !saver && tries < 200; ++tries) {
    EnumWindows(FindSaver, reinterpret_cast<LPARAM>(&saver));
    if (!saver) Sleep(100);
  }
  if (!saver) {
    std::fprintf(stderr, "saver_command: no saver window\n");
    return 1;
  }
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"windows") {
    EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, TRUE);
    EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, FALSE);
    GetWindowThreadProcessId(saver, &g_process);
    EnumWindows(FindSaver, reinterpret_cast<LPARAM>(&saver));
    return 0;
  }
  if (mode == L"display" && argc > 3) {
    DEVMODEW display{};
    display.dmSize = sizeof display;
    display.dmPelsWidth = DWORD(_wtoi(argv[2]));
    display.dmPelsHeight = DWORD(_wtoi(argv[3]));
    display.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    std::printf("display %ld\n", ChangeDisplaySettingsExW(nullptr, &display, nullptr, 0, nullptr));
    return 0;
  }
  if (mode == L"foreground") {
    HWND own = CreateWindowExW(0, L"STATIC", L"Pop-up", WS_POPUP | WS_VISIBLE, 10, 10, 100, 60,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(own);
    std::printf("foreground %d\n", GetForegroundWindow() == own ? 1 : 0);
    return 0;
  }
  RECT box{};
  GetWindowRect(saver, &box);
  PrintRect("window", box);
  std::fflush(stdout);
  LRESULT screensave = SendMessageW(saver, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  std::printf("screensave %lld\n", static_cast<long long>(screensave));
  std::fflush(stdout);
  // Passed on to the default handling, the secure request would start another saver over this
  // one (under Wine: open a box) and keep the sender waiting.
  DWORD_PTR secure = 0;
  if (SendMessageTimeoutW(saver, WM_SYSCOMMAND, SC_SCREENSAVE | 1, 0, SMTO_ABORTIFHUNG, 5000,
                          &secure)) {
    std::printf("secure %lld\n", static_cast<long long>(secure));
  } else {
    std::printf("secure timeout\n");
  }
  LRESULT monitor = SendMessageW(saver, WM_SYSCOMMAND, SC_MONITORPOWER, kDisplayOn);
  std::printf("monitorpower %lld\n", static_cast<long long>(monitor));
  HWND own = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  LRESULT reference = DefWindowProcW(own, WM_SYSCOMMAND, SC_MONITORPOWER, kDisplayOn);
  std::printf("default %lld\n", static_cast<long long>(reference));
  DestroyWindow(own);
  return 0;
}
