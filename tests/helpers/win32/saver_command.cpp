// saver_command: asks the running saver's window what the system would ask it, or does to it
// what another program on the desk would.
//
//   saver_command [windows|foreground]
//
// Finds the visible top-most pop-up window of another process (the full-screen saver) and,
// without an argument, sends it WM_SYSCOMMAND with SC_SCREENSAVE, then with its secure form
// (0xF141, the low bits the system's own) and then with SC_MONITORPOWER (display on) through
// SendMessageW, and reports on standard output:
//   window LEFT TOP RIGHT BOTTOM      its rectangle on the screen
//   screensave RESULT                 the saver's answer to SC_SCREENSAVE
//   secure RESULT                     its answer to 0xF141 ("timeout" after 5 seconds)
//   monitorpower RESULT               its answer to SC_MONITORPOWER
//   default RESULT                    DefWindowProcW's answer to SC_MONITORPOWER for a window
//                                     of this program's own, to compare with
// With "windows": one line for each monitor, the primary one first, then one for each visible
// top-most pop-up of the saver's process, the top one first:
//   monitor LEFT TOP RIGHT BOTTOM
//   window LEFT TOP RIGHT BOTTOM
// With "foreground": makes a window of its own the foreground window, as a program that pops up
// would, and reports "foreground 1" when it is.
// Exits with 1 when no saver window shows within 20 seconds.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr LPARAM kDisplayOn = -1;
constexpr WPARAM kSecureScreenSave = SC_SCREENSAVE | 1;

bool IsSaverWindow(HWND window, DWORD* process) {
  GetWindowThreadProcessId(window, process);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  LONG extended = GetWindowLongW(window, GWL_EXSTYLE);
  return *process != GetCurrentProcessId() && IsWindowVisible(window) && (style & WS_POPUP) &&
         (extended & WS_EX_TOPMOST);
}

BOOL CALLBACK FindSaver(HWND window, LPARAM found) {
  DWORD process = 0;
  if (!IsSaverWindow(window, &process)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void PrintRect(const char* what, const RECT& box) {
  std::printf("%s %ld %ld %ld %ld\n", what, box.left, box.top, box.right, box.bottom);
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM primary_first) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  if (bool(info.dwFlags & MONITORINFOF_PRIMARY) == bool(primary_first)) {
    PrintRect("monitor", info.rcMonitor);
  }
  return TRUE;
}

BOOL CALLBACK PrintSaverWindow(HWND window, LPARAM saver_process) {
  DWORD process = 0;
  if (!IsSaverWindow(window, &process) || process != DWORD(saver_process)) return TRUE;
  RECT box{};
  GetWindowRect(window, &box);
  PrintRect("window", box);
  return TRUE;
}

void ListWindows(HWND saver) {
  EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, TRUE);
  EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, FALSE);
  DWORD process = 0;
  GetWindowThreadProcessId(saver, &process);
  EnumWindows(PrintSaverWindow, LPARAM(process));
}

void TakeForeground() {
  HWND own = CreateWindowExW(0, L"STATIC", L"Pop-up", WS_POPUP | WS_VISIBLE, 10, 10, 100, 60,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(own);
  std::printf("foreground %d\n", GetForegroundWindow() == own ? 1 : 0);
  std::fflush(stdout);
  // The saver hears of it through messages: stay a while, answering those sent here.
  for (DWORD start = GetTickCount(); GetTickCount() - start < 2000;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
  DestroyWindow(own);
}

void SendCommands(HWND saver) {
  LRESULT screensave = SendMessageW(saver, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  std::printf("screensave %lld\n", static_cast<long long>(screensave));
  std::fflush(stdout);
  // Passed on to the default handling, the secure request would start another saver (under
  // Wine: open a box) and keep this program waiting.
  DWORD_PTR secure = 0;
  if (SendMessageTimeoutW(saver, WM_SYSCOMMAND, kSecureScreenSave, 0, SMTO_ABORTIFHUNG, 5000,
                          &secure)) {
    std::printf("secure %lld\n", static_cast<long long>(secure));
  } else {
    std::printf("secure timeout\n");
  }
  std::fflush(stdout);
  LRESULT monitor = SendMessageW(saver, WM_SYSCOMMAND, SC_MONITORPOWER, kDisplayOn);
  std::printf("monitorpower %lld\n", static_cast<long long>(monitor));
  HWND own = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  LRESULT reference = DefWindowProcW(own, WM_SYSCOMMAND, SC_MONITORPOWER, kDisplayOn);
  std::printf("default %lld\n", static_cast<long long>(reference));
  DestroyWindow(own);
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
  if (argc > 1 && std::wcscmp(argv[1], L"windows") == 0) {
    ListWindows(saver);
    return 0;
  }
  if (argc > 1 && std::wcscmp(argv[1], L"foreground") == 0) {
    TakeForeground();
    return 0;
  }
  RECT box{};
  GetWindowRect(saver, &box);
  PrintRect("window", box);
  std::fflush(stdout);
  SendCommands(saver);
  return 0;
}
