// The headless driver: creates the saver form exactly as the full-screen saver would, on a
// headless backend with a virtual clock, runs it for a given time and reports what happened
// as JSON lines on standard output.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "assets/BuiltinResources.h"
#include "shell/TElevatorScrForm.h"
#if VT_HEADLESS_PNG
#include "tools/headless/PngFile.h"
#endif
#include "tools/headless/SceneReport.h"
#include "widgets/PlatformFiles.h"
#include "widgets/TApplication.h"
#include "widgets/headless/HeadlessBackend.h"

namespace {

constexpr const char* kUsage =
    "usage: vantorel-headless [--screen WxH] [--dpi N] [--seed N] [--ms N] [--program PATH]\n"
    "                         [--trace] [--layout] [--png FILE]\n";

struct Options {
  int width = 1024;
  int height = 768;
  int dpi = 96;
  uint32_t seed = 0;
  int64_t ms = 0;
  std::optional<std::string> program;
  bool trace = false;
  bool layout = false;
  std::optional<std::string> png;
};

// A whole decimal number within [low, high]; anything else is rejected.
template <class T>
bool ParseNumber(std::string_view text, T low, T high, T& value) {
  if (text.empty()) return false;
  T parsed{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

bool ParseScreen(std::string_view text, Options& options) {
  size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  return ParseNumber(text.substr(0, x), 1, 100000, options.width) &&
         ParseNumber(text.substr(x + 1), 1, 100000, options.height);
}

bool ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--trace") {
      options.trace = true;
      continue;
    }
    if (arg == "--layout") {
      options.layout = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    std::string_view value = argv[++i];
    bool ok = true;
    if (arg == "--screen") {
      ok = ParseScreen(value, options);
    } else if (arg == "--dpi") {
      ok = ParseNumber(value, 1, 10000, options.dpi);
    } else if (arg == "--seed") {
      ok = ParseNumber<uint32_t>(value, 0, UINT32_MAX, options.seed);
    } else if (arg == "--ms") {
      ok = ParseNumber<int64_t>(value, 0, INT64_MAX / 2, options.ms);
    } else if (arg == "--program") {
      ok = !value.empty();
      options.program = std::string(value);
#if VT_HEADLESS_PNG
    } else if (arg == "--png") {
      ok = !value.empty();
      options.png = std::string(value);
#endif
    } else {
      ok = false;
    }
    if (!ok) return false;
  }
  return true;
}

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

// Prints the trace line after the timer's handler, also when the handler failed: the error
// is reported first, as the event loop would, and the line follows.
void TraceTimer(vt::TApplication& application, vt::HeadlessBackend& backend, vt::TTimer& timer,
                const char* event) {
  vt::TNotifyEvent handler = timer.OnTimer();
  timer.SetOnTimer([&application, &backend, handler, event](vt::TObject* sender) {
    try {
      if (handler) handler(sender);
    } catch (...) {
      application.HandleException(std::current_exception());
    }
    PrintLine(vt::SceneReport::Trace(*vt::ElevatorScrForm, backend.NowMs(), event));
  });
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  vt::HeadlessBackend backend({options.width, options.height}, options.dpi);
  backend.OnErrorBox = [](const vt::HeadlessBackend::ErrorBoxRecord& box) {
    PrintLine(vt::SceneReport::Error(box.time_ms, box.title, box.text));
  };

  vt::TApplication application(backend);
  application.Initialize();
  application.SetTitle("Vantorel");
  application.SetResourceFinder(vt::assets::Find);
  application.SetExeName(options.program ? *options.program : vt::ProgramFilePath());
  application.CreateForm(vt::ElevatorScrForm);
  vt::TElevatorScrForm& form = *vt::ElevatorScrForm;
  form.SetSeedOverride(options.seed);
  if (options.trace) {
    // ElvTimer is wrapped first, so that it keeps ticking ahead of Timer1 when both fall due.
    TraceTimer(application, backend, *form.ElvTimer, "elv");
    TraceTimer(application, backend, *form.Timer1, "timer1");
  }

  application.ShowMainForm();
  if (options.layout) PrintLine(vt::SceneReport::Layout(form));
  if (options.trace) PrintLine(vt::SceneReport::Trace(form, backend.NowMs(), "show"));
  application.RunUntil(options.ms);

  int status = 0;
#if VT_HEADLESS_PNG
  if (options.png) {
    form.InvalidateAll();
    form.RepaintDirty();
    if (!vt::WritePngFile(*options.png, form.Frame())) {
      std::fprintf(stderr, "vantorel-headless: cannot write %s\n", options.png->c_str());
      status = 1;
    }
  }
#endif
  std::fflush(stdout);
  return status;
}
