// saver_command: asks the running saver's window what the system would ask it.
//
//   saver_command
//
// Finds the visible top-most pop-up window of another process (the full-screen saver), sends
// it WM_SYSCOMMAND with SC_SCREENSAVE and then with SC_MONITORPOWER (display on) through
// SendMessageW, and reports on standard output:
//   window LEFT TOP RIGHT BOTTOM      its rectangle on the screen
//   screensave RESULT                 the saver's answer to SC_SCREENSAVE
//   monitorpower RESULT               its answer to SC_MONITORPOWER
//   default RESULT                    DefWindowProcW's answer to SC_MONITORPOWER for a window
//                                     of this program's own, to compare with
// Exits with 1 when no such window shows within 20 seconds.
#include <windows.h>

#include <cstdio>

namespace {

constexpr LPARAM kDisplayOn = -1;

BOOL CALLBACK FindSaver(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  LONG extended = GetWindowLongW(window, GWL_EXSTYLE);
  if (process == GetCurrentProcessId() || !IsWindowVisible(window) || !(style & WS_POPUP) ||
      !(extended & WS_EX_TOPMOST)) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

int wmain() {
  HWND saver = nullptr;
  for (int tries = 0; !saver && tries < 200; ++tries) {
    EnumWindows(FindSaver, reinterpret_cast<LPARAM>(&saver));
    if (!saver) Sleep(100);
  }
  if (!saver) {
    std::fprintf(stderr, "saver_command: no saver window\n");
    return 1;
  }
  RECT box{};
  GetWindowRect(saver, &box);
  std::printf("window %ld %ld %ld %ld\n", box.left, box.top, box.right, box.bottom);
  std::fflush(stdout);
  LRESULT screensave = SendMessageW(saver, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  std::printf("screensave %lld\n", static_cast<long long>(screensave));
  std::fflush(stdout);
  LRESULT monitor = SendMessageW(saver, WM_SYSCOMMAND, SC_MONITORPOWER, kDisplayOn);
  std::printf("monitorpower %lld\n", static_cast<long long>(monitor));
  HWND own = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  LRESULT reference = DefWindowProcW(own, WM_SYSCOMMAND, SC_MONITORPOWER, kDisplayOn);
  std::printf("default %lld\n", static_cast<long long>(reference));
  DestroyWindow(own);
  return 0;
}
