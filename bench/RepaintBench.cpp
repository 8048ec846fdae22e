// What a car tick costs to repaint next to a whole frame, on the saver scene at 1920 x 1080, or
// at the size that --screen WxH gives (where every picture is stretched, at 3840 x 2160).
//
// The scene is the real saver form on the headless backend, run for a while so that passengers
// wait on the floors. The car tick benchmark moves the car one step per iteration (down until
// the bottom floor, then up until the top one, and so on) through the car controller and
// repaints what changed; the full-frame benchmark repaints everything. Counters give the pixels
// handed to the screen per iteration and, for the tick, the area covered by the old and new
// rectangles of the car and the ten widgets riding with it. The cold car tick empties the
// caches before each step, as the 100 ms between two ticks of the running program do.
//
// At the end it lists the scaled copies that stretched pictures keep, with their memory.
//
// The data folder is looked for beside the program file, or beside the path in VT_PROGRAM.
//
// On Windows (under Wine here) every frame is also put on a window covering the primary
// screen through the Win32 backend, so the figures include what reaching the screen costs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assets/BuiltinResources.h"
#include "shell/TElevatorScrForm.h"
#include "widgets/PlatformFiles.h"
#include "widgets/TApplication.h"
#include "widgets/TImage.h"
#include "widgets/headless/HeadlessBackend.h"
#ifdef _WIN32
#include "widgets/win32/Win32Backend.h"
#endif

namespace {

int g_screen_width = 1920;
int g_screen_height = 1080;
constexpr int64_t kWarmUpMs = 20000;

#ifdef _WIN32
// The headless backend, whose frames also go to a real window through the Win32 backend.
class ScreenBackend : public vt::HeadlessBackend {
 public:
  ScreenBackend() : HeadlessBackend({g_screen_width, g_screen_height}, 96) {
    std::string error;
    m_screen = vt::Win32Backend::Open(&error);
    if (!m_screen) {
      std::fprintf(stderr, "no Windows display: %s\n", error.c_str());
      std::exit(1);
    }
    vt::WindowRequest request;
    request.kind = vt::WindowKind::Popup;
    request.title = "Vantorel benchmark";
    request.bounds = {0, 0, g_screen_width, g_screen_height};
    m_window = m_screen->CreateWindow(request);
    m_screen->ShowWindow(m_window, true);
  }
  // The saver's frame is painted straight into the window's, as the program's is.
  vt::Bitmap32* LendFrame(vt::WindowHandle window, int width, int height) override {
    (void)window;
    if (width != g_screen_width || height != g_screen_height) return nullptr;
    return m_screen->LendFrame(m_window, width, height);
  }
  void Present(vt::WindowHandle window, const vt::Bitmap32& frame,
               const std::vector<vt::Rect>& dirty) override {
    HeadlessBackend::Present(window, frame, dirty);
    if (frame.Width() == g_screen_width && frame.Height() == g_screen_height) {
      m_screen->Present(m_window, frame, dirty);
    }
  }

 private:
  std::unique_ptr<vt::Win32Backend> m_screen;
  vt::WindowHandle m_window = 0;
};
#else
using ScreenBackend = vt::HeadlessBackend;
#endif

// The saver running on a headless screen, shared by the benchmarks.
struct Scene {
#ifdef _WIN32
  ScreenBackend backend;
#else
  ScreenBackend backend{{g_screen_width, g_screen_height}, 96};
#endif
  vt::TApplication application{backend};
  vt::TElevatorScrForm* form = nullptr;

  Scene() {
    application.Initialize();
    application.SetTitle("Vantorel");
    application.SetResourceFinder(vt::assets::Find);
    const char* program = std::getenv("VT_PROGRAM");
    application.SetExeName(program ? std::string(program) : vt::ProgramFilePath());
    application.CreateForm(vt::ElevatorScrForm);
    form = vt::ElevatorScrForm;
    form->SetSeedOverride(1);
    application.ShowMainForm();
    application.RunUntil(kWarmUpMs);
  }

  // The car and the ten widgets that ride with it.
  std::array<vt::TControl*, 11> CarWidgets() const {
    return {form->ImgElv,
            form->CarPanelLabels[0],
            form->CarPanelLabels[1],
            form->CarPanelLabels[2],
            form->CarPanelLabels[3],
            form->CarPanelLabels[4],
            form->CarPanelLabels[5],
            form->CarUpLamp,
            form->CarDownLamp,
            form->LblKyakuCount,
            form->LblElvManin};
  }
};

Scene* g_scene = nullptr;

// Area of the union of rectangles, by cutting the plane at every rectangle edge.
int64_t UnionArea(const std::vector<vt::Rect>& rects) {
  std::vector<int> xs, ys;
  for (const vt::Rect& r : rects) {
    if (r.IsEmpty()) continue;
    xs.insert(xs.end(), {r.left, r.Right()});
    ys.insert(ys.end(), {r.top, r.Bottom()});
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  int64_t area = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
      for (const vt::Rect& r : rects) {
        if (r.Contains(xs[i], ys[j])) {
          area += int64_t(xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]);
          break;
        }
      }
    }
  }
  return area;
}

// Writes through a buffer larger than any cache, and over more pages than the address
// translation caches hold, as the rest of the machine does in the 100 ms between two ticks.
void EvictCaches() {
  static std::vector<uint8_t> buffer(size_t(128) << 20);
  for (size_t i = 0; i < buffer.size(); i += 64) ++buffer[i];
  benchmark::DoNotOptimize(buffer.data());
}

// Moves the car one step per iteration and repaints; with cold, the caches are emptied before
// each step (outside the timed part), as they are in the running program.
void MoveCar(benchmark::State& state, bool cold) {
  Scene& scene = *g_scene;
  vt::TElevatorScrForm& form = *scene.form;
  const auto widgets = scene.CarWidgets();
  const vt::Rect screen{0, 0, form.ClientWidth(), form.ClientHeight()};
  // Old and new rectangles of every tick, measured after the timed loop.
  std::vector<std::array<vt::Rect, 22>> moves;
  moves.reserve(1 << 16);
  int32_t direction = 1;
  scene.application.PaintDirtyForms();
  const int64_t pixels_before = scene.backend.PresentedPixels();
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      EvictCaches();
      state.ResumeTiming();
    }
    std::array<vt::Rect, 22> move;
    for (size_t i = 0; i < widgets.size(); ++i) {
      move[i] = widgets[i]->Visible() ? widgets[i]->BoundsRect() : vt::Rect{};
    }
    const int32_t bottom = form.ImgElv->Top() + form.ImgElv->Height();
    if (bottom >= form.FloorBaseY[0]) direction = -1;
    if (bottom <= form.FloorBaseY[5]) direction = 1;
    form.CarDirection = direction;
    form.ElvTimerTimer(&form);
    scene.application.PaintDirtyForms();
    for (size_t i = 0; i < widgets.size(); ++i) {
      move[11 + i] = widgets[i]->Visible() ? widgets[i]->BoundsRect() : vt::Rect{};
    }
    moves.push_back(move);
  }
  const int64_t pixels = scene.backend.PresentedPixels() - pixels_before;
  int64_t widget_area = 0;
  for (const auto& move : moves) {
    std::vector<vt::Rect> clipped;
    for (const vt::Rect& r : move) clipped.push_back(r.Intersected(screen));
    widget_area += UnionArea(clipped);
  }
  state.counters["px"] = benchmark::Counter(double(pixels), benchmark::Counter::kAvgIterations);
  state.counters["widget_px"] =
      benchmark::Counter(double(widget_area), benchmark::Counter::kAvgIterations);
  state.counters["px_per_widget_px"] = double(pixels) / double(std::max<int64_t>(widget_area, 1));
}
void CarTick(benchmark::State& state) { MoveCar(state, false); }
BENCHMARK(CarTick)->Unit(benchmark::kMicrosecond);
void ColdCarTick(benchmark::State& state) { MoveCar(state, true); }
BENCHMARK(ColdCarTick)->Unit(benchmark::kMicrosecond)->Iterations(400);

void FullFrame(benchmark::State& state) {
  Scene& scene = *g_scene;
  scene.application.PaintDirtyForms();
  const int64_t pixels_before = scene.backend.PresentedPixels();
  for (auto _ : state) {
    scene.form->InvalidateAll();
    scene.application.PaintDirtyForms();
  }
  const int64_t pixels = scene.backend.PresentedPixels() - pixels_before;
  state.counters["px"] = benchmark::Counter(double(pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK(FullFrame)->Unit(benchmark::kMicrosecond);

// The console report, keeping the figures for the comparison printed at the end.
class Reporter : public benchmark::ConsoleReporter {
 public:
  explicit Reporter(OutputOptions options) : benchmark::ConsoleReporter(options) {}

  struct Figures {
    double seconds = 0;      // real time per iteration
    double cpu_seconds = 0;  // processor time per iteration, steadier on a busy machine
    std::map<std::string, double> counters;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      Figures& f = m_figures[run.run_name.function_name];
      const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
      f.seconds = run.GetAdjustedRealTime() / unit;
      f.cpu_seconds = run.GetAdjustedCPUTime() / unit;
      for (const auto& [name, counter] : run.counters) f.counters[name] = counter.value;
    }
  }

  const Figures* Find(const std::string& name) const {
    auto it = m_figures.find(name);
    return it == m_figures.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, Figures> m_figures;
};

// Takes --screen WxH out of the arguments, for Google Benchmark not to see it.
bool TakeScreenSize(int& argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) != "--screen") continue;
    int width = 0, height = 0;
    char end = 0;
    if (std::sscanf(argv[i + 1], "%dx%d%c", &width, &height, &end) != 2 || width < 320 ||
        height < 240 || width > 16384 || height > 16384) {
      std::fprintf(stderr, "--screen wants WIDTHxHEIGHT, 320x240 to 16384x16384\n");
      return false;
    }
    g_screen_width = width;
    g_screen_height = height;
    for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
    argc -= 2;
    break;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!TakeScreenSize(argc, argv)) return 2;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  auto scene = std::make_unique<Scene>();
  g_scene = scene.get();
  int waiting = 0;
  for (int f = 0; f < vt::BuildingForm::FloorCount; ++f) waiting += scene->form->FloorQueueCount[f];
  std::printf("scene: %d x %d, %d passengers waiting, %zu error boxes\n",
              scene->form->ClientWidth(), scene->form->ClientHeight(), waiting,
              scene->backend.ErrorBoxes().size());
  for (const auto& box : scene->backend.ErrorBoxes()) {
    std::printf("  error box: %s\n", box.text.c_str());
  }

  Reporter reporter(benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const Reporter::Figures* tick = reporter.Find("CarTick");
  const Reporter::Figures* full = reporter.Find("FullFrame");
  if (tick && full && tick->seconds > 0 && tick->cpu_seconds > 0) {
    const double cost_ratio = full->seconds / tick->seconds;
    const double cpu_ratio = full->cpu_seconds / tick->cpu_seconds;
    const double px = tick->counters.at("px");
    const double widget_px = tick->counters.at("widget_px");
    std::printf(
        "\ncar tick: %.1f us (%.1f us processor), %.0f px repainted, %.0f px of old and "
        "new car rectangles\n",
        tick->seconds * 1e6, tick->cpu_seconds * 1e6, px, widget_px);
    std::printf("full frame: %.1f us (%.1f us processor), %.0f px\n", full->seconds * 1e6,
                full->cpu_seconds * 1e6, full->counters.at("px"));
    std::printf(
        "a full frame costs %.1f car ticks (%.1f by processor time; target: more than 20)\n",
        cost_ratio, cpu_ratio);
    std::printf("a car tick repaints %.2f times its rectangles' area (target: at most 2)\n",
                px / widget_px);
    const bool met = std::min(cost_ratio, cpu_ratio) > 20 && px <= 2 * widget_px;
    std::printf("targets %s\n", met ? "met" : "MISSED");
  }

  // The stretched pictures' scaled copies: named widgets one by one, largest first, the
  // unnamed passenger pictures together.
  std::vector<const vt::TImage*> named;
  std::string own_size;  // stretched pictures drawn at their own size need no copy
  size_t copy_bytes = 0, passenger_bytes = 0;
  int copies = 0, passengers = 0;
  for (vt::TControl* control : scene->form->Controls()) {
    const auto* image = dynamic_cast<const vt::TImage*>(control);
    if (!image) continue;
    const vt::Rect dest = image->DestRect();
    if (image->Stretch() && !dest.IsEmpty() && dest.width == image->Picture().Width() &&
        dest.height == image->Picture().Height()) {
      own_size += " " + (image->Name().empty() ? std::string("(passenger)") : image->Name());
    }
    if (image->ScaledCopyBytes() == 0) continue;
    ++copies;
    copy_bytes += image->ScaledCopyBytes();
    if (image->Name().empty()) {
      ++passengers;
      passenger_bytes += image->ScaledCopyBytes();
    } else {
      named.push_back(image);
    }
  }
  std::sort(named.begin(), named.end(), [](const vt::TImage* a, const vt::TImage* b) {
    return a->ScaledCopyBytes() > b->ScaledCopyBytes();
  });
  constexpr double kMiB = 1024.0 * 1024.0;
  std::printf("\nscaled copies: %d, %.2f MiB in all\n", copies, double(copy_bytes) / kMiB);
  for (const vt::TImage* image : named) {
    std::printf("  %-12s %4d x %-4d %6.2f MiB\n", image->Name().c_str(), image->Width(),
                image->Height(), double(image->ScaledCopyBytes()) / kMiB);
  }
  if (passengers > 0) {
    std::printf("  %d passenger pictures %6.2f MiB\n", passengers, double(passenger_bytes) / kMiB);
  }
  if (!own_size.empty()) {
    std::printf("stretched to their own size, drawn from the picture itself:%s\n",
                own_size.c_str());
  }
  benchmark::Shutdown();
  g_scene = nullptr;
  return 0;
}
