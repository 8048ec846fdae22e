#include "shell/ProgramEntry.h"

#include <cstdio>

#include "assets/BuiltinResources.h"
#include "shell/ProgramIcon.h"
#include "shell/TElevatorScrForm.h"
#include "shell/TPrvForm.h"
#include "widgets/Numbers.h"
#include "widgets/TApplication.h"

namespace vt {

int32_t PreviewParent = 0;
TRect PreviewParentRect;

ProgramMode SelectMode(const std::vector<std::string>& args) {
  if (args.empty()) return ProgramMode::None;
  const std::string& first = args[0];
  if (first == "/s" || first == "/S") return ProgramMode::Saver;
  if (first == "/p" || first == "/P") return ProgramMode::Preview;
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
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return fail();
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

void StartMode(TApplication& application, ProgramMode mode, const std::vector<std::string>& args) {
  Backend& backend = application.GetBackend();
  if (mode == ProgramMode::Saver) {
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

int RunProgram(const std::vector<std::string>& args, const BackendFactory& open_backend) {
  ProgramMode mode = SelectMode(args);
  if (mode == ProgramMode::None) return 0;

  std::string reason;
  std::unique_ptr<Backend> backend = open_backend(&reason);
  if (!backend) {
    std::fprintf(stderr, "Vantorel: %s\n", reason.c_str());
    return 1;
  }
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
                             LastChanceText(error, application.ExeName(), address), BoxOwner::None);
    return 1;
  }
  application.Run();
  return 0;
}

}  // namespace vt
