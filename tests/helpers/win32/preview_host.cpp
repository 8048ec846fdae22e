// preview_host: a stand-in for the screen-saver settings dialog, which hosts the preview.
//
//   preview_host SAVER [HANDLE]
//
// Makes a framed top-level window at 40, 64 with a client area of plain blue, starts
// "SAVER /p HANDLE" and reports on standard output, one line at a time:
//   host OUTER_WIDTH OUTER_HEIGHT CLIENT_WIDTH CLIENT_HEIGHT
//   child WIDTH HEIGHT       the saver's visible child of the host, or "child none"
//   deactivated RUNNING      with the host's own handle: 1 when the saver still runs with its
//                            child shown after the host lost the foreground, else 0
//   exit CODE                the saver's exit code, or "exit none" if it still runs
// HANDLE is the host's own handle unless given: "none" passes no handle, "dead" that of a
// window made and destroyed just before, "hidden" the host's own handle with the host left
// hidden for the saver to show, anything else is passed as it is. With the host's own
// handle it waits for a line on standard input (or its end) before destroying the host; the
// saver's exit code follows. With any other handle it reports only the exit code, once the
// saver has ended (after its error box is dismissed). The saver's standard error is this
// program's.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr UINT kStdinLine = WM_APP + 1;
constexpr DWORD kGuardMs = 30000;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kStdinLine) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Handles this thread's window messages until the process (if any) has ended or the time is
// up: the saver's child window and its creation talk to the host through them.
bool PumpUntil(HANDLE process, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    MsgWaitForMultipleObjects(process ? 1 : 0, &process, FALSE, 20, QS_ALLINPUT);
  }
}

// The saver makes its window at a size of its own and sizes it to the host before showing it.
BOOL CALLBACK TakeVisibleChild(HWND child, LPARAM found) {
  if (!IsWindowVisible(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// Tells a window of the saver that its program is no longer the active one, as Windows does
// when the foreground goes to another program.
BOOL CALLBACK SendInactive(HWND window, LPARAM process) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  DWORD_PTR ignored = 0;
  if (owner == DWORD(process)) {
    SendMessageTimeoutW(window, WM_ACTIVATEAPP, FALSE, LPARAM(GetCurrentThreadId()),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
  }
  return TRUE;
}

DWORD WINAPI ReadOneLine(void* host) {
  char byte = 0;
  DWORD count = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(input, &byte, 1, &count, nullptr) && count == 1 && byte != '\n') {
  }
  PostMessageW(static_cast<HWND>(host), kStdinLine, 0, 0);
  return 0;
}

void Say(const char* format, long a, long b = 0, long c = 0, long d = 0) {
  std::printf(format, a, b, c, d);
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: preview_host SAVER [HANDLE|none|dead]\n");
    return 2;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = HostProc;
  window_class.hInstance = instance;
  window_class.hbrBackground = CreateSolidBrush(RGB(0x20, 0x40, 0xA0));
  window_class.lpszClassName = L"VantorelTestHost";
  RegisterClassExW(&window_class);
  auto make_window = [&] {
    return CreateWindowExW(0, L"VantorelTestHost", L"Preview host",
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 64, 240, 190, nullptr,
                           nullptr, instance, nullptr);
  };
  const bool hidden = argc > 2 && std::wstring(argv[2]) == L"hidden";
  HWND host = make_window();
  if (!hidden) {
    ShowWindow(host, SW_SHOW);
    UpdateWindow(host);
  }
  RECT outer{}, client{};
  GetWindowRect(host, &outer);
  GetClientRect(host, &client);
  Say("host %ld %ld %ld %ld\n", outer.right - outer.left, outer.bottom - outer.top, client.right,
      client.bottom);

  std::wstring handle = std::to_wstring(reinterpret_cast<UINT_PTR>(host));
  bool own = argc == 2 || hidden;
  if (argc > 2 && !hidden) handle = argv[2];
  if (handle == L"dead") {
    HWND gone = make_window();
    handle = std::to_wstring(reinterpret_cast<UINT_PTR>(gone));
    DestroyWindow(gone);
  }
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\" /p";
  if (handle != L"none") command += L" " + handle;
  // The saver writes its error line where this program writes its own.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  SetHandleInformation(startup.hStdError, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  PROCESS_INFORMATION saver{};
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &saver)) {
    std::fprintf(stderr, "preview_host: cannot start the saver (%lu)\n", GetLastError());
    return 1;
  }

  if (own) {
    HWND child = nullptr;
    DWORD start = GetTickCount();
    while (!child && GetTickCount() - start < kGuardMs &&
           WaitForSingleObject(saver.hProcess, 0) == WAIT_TIMEOUT) {
      PumpUntil(nullptr, 50);
      EnumChildWindows(host, TakeVisibleChild, reinterpret_cast<LPARAM>(&child));
    }
    RECT box{};
    if (child && GetWindowRect(child, &box)) {
      Say("child %ld %ld\n", box.right - box.left, box.bottom - box.top);
    } else {
      Say("child none\n", 0);
    }
    // The host loses the foreground to another window of this program.
    HWND other = CreateWindowExW(0, L"STATIC", L"Other", WS_POPUP | WS_VISIBLE, 300, 40, 100, 60,
                                 nullptr, nullptr, instance, nullptr);
    SetForegroundWindow(other);
    EnumWindows(SendInactive, LPARAM(saver.dwProcessId));
    PumpUntil(nullptr, 1000);
    Say("deactivated %ld\n",
        WaitForSingleObject(saver.hProcess, 0) == WAIT_TIMEOUT && IsWindowVisible(child));
    DestroyWindow(other);
    CloseHandle(CreateThread(nullptr, 0, ReadOneLine, host, 0, nullptr));
    while (IsWindow(host)) PumpUntil(nullptr, 20);
  }
  DWORD code = 0;
  if (PumpUntil(saver.hProcess, kGuardMs) && GetExitCodeProcess(saver.hProcess, &code)) {
    Say("exit %ld\n", long(code));
  } else {
    Say("exit none\n", 0);
    TerminateProcess(saver.hProcess, 99);
  }
  return 0;
}
