#include "shell/ProgramEntry.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "assets/BuiltinResources.h"
#include "shell/ProgramIcon.h"
#include "shell/TElevatorScrForm.h"
#include "shell/TPrvForm.h"
#include "widgets/Numbers.h"
#include "widgets/TApplication.h"

namespace vt {

int32_t PreviewParent = 0;
TRect PreviewParentRect;

ProgramMode SelectMode(const std::vector<std::string>& args, SaverDaemon daemon) {
  if (args.empty()) return ProgramMode::None;
  const std::string& first = args[0];
  if (first == "/s" || first == "/S") return ProgramMode::Saver;
  if (first == "/p" || first == "/P") return ProgramMode::Preview;
  if (daemon == SaverDaemon::XScreenSaver &&
      (first == "--root" || first == "-root" || first == "--window-id" || first == "-window-id")) {
    return ProgramMode::XScreenSaver;
  }
  return ProgramMode::None;
}

int32_t StrToInt(const std::string& text) {
  auto fail = [&]() -> int32_t {
    throw EConvertError(FormatMessage("'%s' は整数ではありません", text));
  };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return fail();
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return fail();
    value = value * base + digit;
    if (value > 2147483648LL) return fail();
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return fail();
  return int32_t(value);
}

std::string LastChanceText(const Exception& error, const std::string& program_file,
                           uint32_t code_address) {
  char address[16];
  std::snprintf(address, sizeof address, "%08X", code_address);
  const std::string& message = error.Message();
  std::string full_stop = (!message.empty() && message.back() != '.') ? "." : "";
  std::string file = program_file.substr(ExtractFilePath(program_file).size());
  return error.Kind() + " がモジュール " + file + " の " + address + " で発生しました。\r\n" +
         message + full_stop + "\r\n";
}

uint64_t SaverHostWindow(const std::vector<std::string>& args, const char* environment_window) {
  // Anywhere on the line: the daemon's settings dialog may add it after the hack's "--root".
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--window-id" || args[i] == "-window-id") {
      return uint32_t(StrToInt(i + 1 < args.size() ? args[i + 1] : std::string()));
    }
  }
  if (environment_window) return uint32_t(StrToInt(environment_window));
  return 0;
}

void StartMode(TApplication& application, ProgramMode mode, const std::vector<std::string>& args) {
  Backend& backend = application.GetBackend();
  if (mode == ProgramMode::Saver) {
    application.CreateForm(ElevatorScrForm);
  }
  if (mode == ProgramMode::XScreenSaver) {
    uint64_t host = 0;
    std::exception_ptr bad_id;
    try {
      host = SaverHostWindow(args, std::getenv("XSCREENSAVER_WINDOW"));
    } catch (const EConvertError&) {
      bad_id = std::current_exception();
    }
    // Hosted before the form exists, so that its layout is made for the daemon's window, and
    // even with a bad id, so that its report opens no box over that window.
    backend.HostSaver(host);
    if (bad_id) std::rethrow_exception(bad_id);
    application.CreateForm(ElevatorScrForm);
  }
  if (mode == ProgramMode::Preview) {
    backend.ShowWindow(application.Handle(), false);
    PreviewParent = StrToInt(args.size() > 1 ? args[1] : std::string());
    uint64_t host = uint32_t(PreviewParent);
    backend.ShowForeignWindow(host);
    Rect outer;
    if (backend.GetForeignWindowRect(host, outer)) {
      PreviewParentRect = {outer.left, outer.top, outer.Right(), outer.Bottom()};
    }
    application.CreateForm(PrvForm);
    PrvForm->SetBounds(0, 0, PreviewParentRect.Right - PreviewParentRect.Left,
                       PreviewParentRect.Bottom - PreviewParentRect.Top);
  }
}

int RunProgram(const std::vector<std::string>& args, const BackendFactory& open_backend,
               SaverDaemon daemon) {
  ProgramMode mode = SelectMode(args, daemon);
  if (mode == ProgramMode::None) return 0;

  std::string reason;
  std::unique_ptr<Backend> backend = open_backend(&reason);
  if (!backend) {
    std::fprintf(stderr, "Vantorel: %s\n", reason.c_str());
    return 1;
  }
  // A saver already shows: a second one started by a later idle period has nothing to add.
  if (mode == ProgramMode::Saver && !backend->ClaimSaver()) return 0;
  for (;;) {
    TApplication application(*backend);
    application.Initialize();
    application.SetTitle("Vantorel");
    application.SetResourceFinder(assets::Find);
    try {
      backend->SetIcon(LoadProgramIcon(application));
      StartMode(application, mode, args);
    } catch (const Exception& error) {
      // The last chance: one box with no owner, then the program ends with exit code 1.
      uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(&StartMode));
      application.ShowErrorBox("アプリケーション エラー",
                               LastChanceText(error, application.ExeName(), address),
                               BoxOwner::None);
      return 1;
    }
    // The scene is laid out once, for the screen at hand; when the daemon's window or the
    // saver's screen changes size or pixels per inch, the saver starts again, laid out for the
    // new one.
    bool resized = false;
    auto start_again = [&] {
      resized = true;
      application.Terminate();
    };
    if (mode == ProgramMode::XScreenSaver) ElevatorScrForm->OnResize = [&](TObject*) { start_again(); };
    if (mode == ProgramMode::Saver) application.OnScreenChanged = start_again;
    application.Run();
    if (!resized) return 0;
    // Forms keep their windows until the program ends; this one's ends here.
    backend->DestroyWindow(ElevatorScrForm->Handle());
  }
}

}  // namespace vt
