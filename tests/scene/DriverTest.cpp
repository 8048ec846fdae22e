// The headless driver run as a program: its JSON lines against the same run in this process,
// its PNG, its errors and its command line.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <png.h>
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <map>

#include "tests/scene/DensityLayouts.h"
#include "tests/scene/MiniJson.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

struct DriverRun {
  int status = -1;
  std::vector<std::string> lines;
};

DriverRun RunDriver(const std::string& arguments) {
#ifdef _WIN32
  const std::string command =
      Native(std::string(VT_BINARY_DIR) + "/vantorel-headless.exe ") + arguments + " 2>NUL";
  std::FILE* pipe = _popen(command.c_str(), "rb");
#else
  const std::string command =
      std::string(VT_BINARY_DIR) + "/vantorel-headless " + arguments + " 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
#endif
  DriverRun run;
  if (!pipe) return run;
  std::string line;
  int c = 0;
  while ((c = std::fgetc(pipe)) != EOF) {
    if (c == '\r') continue;  // Windows ends lines in CR LF
    if (c == '\n') {
      run.lines.push_back(line);
      line.clear();
    } else {
      line += char(c);
    }
  }
  if (!line.empty()) run.lines.push_back(line);
#ifdef _WIN32
  run.status = _pclose(pipe);
#else
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return run;
}

std::vector<Json> ParseAll(const DriverRun& run) {
  std::vector<Json> out;
  for (const std::string& line : run.lines) {
    try {
      out.push_back(Json::Parse(line));
    } catch (const std::exception& e) {
      ADD_FAILURE() << "not JSON (" << e.what() << "): " << line;
    }
  }
  return out;
}

// What the trace line reports, taken from the form in this process: numbers and texts by key.
struct Snapshot {
  std::map<std::string, int64_t> numbers;
  std::map<std::string, std::string> texts;
  std::vector<int64_t> queue;
  int occupied = 0;
};

Snapshot Take(const TElevatorScrForm& f, int64_t t, const std::string& ev) {
  Snapshot s{{{"t", t},
              {"seed", f.Application().Random().Seed()},
              {"CarFloor", f.CarFloor},
              {"CarDirection", f.CarDirection},
              {"CarTop", f.ImgElv->Top()},
              {"CarLoad", f.CarLoad},
              {"DwellTicks", f.DwellTicks},
              {"SceneryIndex", f.SceneryIndex},
              {"SceneryTicks", f.SceneryTicks}},
             {{"ev", ev},
              {"Lamp", f.CarUpLamp->Enabled() ? "up" : "down"},
              {"Kyaku", f.LblKyakuCount->Caption()}},
             {},
             0};
  for (int floor = 0; floor < 6; ++floor) {
    s.queue.push_back(f.FloorQueueCount[floor]);
    for (int slot = 1; slot <= 10; ++slot) s.occupied += f.PassengerSlots[floor][slot].Occupied;
  }
  return s;
}

TEST(HeadlessDriver, TraceMatchesTheSameRunInProcess) {
  const std::string program = BuiltProgram();
  DriverRun run =
      RunDriver("--screen 800x600 --seed 17 --ms 6500 --layout --trace --program " + program);
  ASSERT_EQ(run.status, 0);
  std::vector<Json> lines = ParseAll(run);
  // layout, show, 65 car ticks and 2 arrivals ticks.
  ASSERT_EQ(lines.size(), 1u + 1u + 65u + 2u);

  SaverHarness saver({800, 600}, 96, program);
  std::vector<Snapshot> expected;
  saver.ObserveTimers(
      [&](const char* ev) { expected.push_back(Take(saver.Form(), saver.Backend().NowMs(), ev)); });
  saver.Show(17);
  expected.insert(expected.begin(), Take(saver.Form(), 0, "show"));
  saver.App().RunUntil(6500);
  ASSERT_EQ(expected.size(), lines.size() - 1);

  const TElevatorScrForm& f = saver.Form();
  const Json& layout = lines[0];
  EXPECT_EQ(layout["ev"].text, "layout");
  EXPECT_EQ(layout["ScreenScale"].number, 10000);
  EXPECT_EQ(layout["DpiScale"].number, 10000);
  EXPECT_EQ(layout["CarStep"].number, 5);
  ASSERT_EQ(layout["FloorBaseY"].items.size(), 6u);
  for (int floor = 0; floor < 6; ++floor) {
    EXPECT_EQ(layout["FloorBaseY"][size_t(floor)].number, f.FloorBaseY[floor]);
  }
  const Json& bounds = layout["Bounds"];
  // The car has moved on since the show; its widgets keep their offsets from it.
  const int64_t car_top = bounds["ImgElv"][1].number;
  EXPECT_EQ(car_top, expected[0].numbers.at("CarTop"));
  auto expect_bounds = [&](const std::string& name, const TControl* c, int64_t shift = 0) {
    ASSERT_TRUE(bounds.Has(name)) << name;
    const Json& b = bounds[name];
    ASSERT_EQ(b.items.size(), 4u) << name;
    EXPECT_EQ(b[0].number, c->Left()) << name;
    EXPECT_EQ(b[1].number, c->Top() + shift) << name;
    EXPECT_EQ(b[2].number, c->Width()) << name;
    EXPECT_EQ(b[3].number, c->Height()) << name;
  };
  for (const char* name : {"ImgBillding", "ImgHaikei", "BitBtn1", "BitBtn2", "ImgOkujo", "ImgHito",
                           "ImgKanban", "Label2", "Label1", "LblManin"}) {
    expect_bounds(name, f.FindControl(name));
  }
  for (auto [name, c] : {std::pair<const char*, const TControl*>{"LblKyakuCount", f.LblKyakuCount},
                         {"LblElvManin", f.LblElvManin},
                         {"CarUpLamp", f.CarUpLamp},
                         {"CarDownLamp", f.CarDownLamp}}) {
    expect_bounds(name, c, car_top - f.ImgElv->Top());
  }
  EXPECT_EQ(bounds["ImgHaikei"][0].number, 90);
  EXPECT_EQ(bounds["ImgHaikei"][1].number, 110);
  for (int i = 0; i <= 4; ++i) {
    expect_bounds("UpCallButtons[" + std::to_string(i) + "]", f.UpCallButtons[i]);
  }
  for (int i = 1; i <= 5; ++i) {
    expect_bounds("DownCallButtons[" + std::to_string(i) + "]", f.DownCallButtons[i]);
  }
  for (int i = 0; i < 6; ++i) {
    expect_bounds("FloorFullLabels[" + std::to_string(i) + "]", f.FloorFullLabels[i]);
  }
  // The car-attached widgets as they stood right after the show.
  for (const char* name : {"CarUpLamp", "CarDownLamp", "CarPanelLabels[0]", "CarPanelLabels[5]"}) {
    EXPECT_TRUE(bounds.Has(name)) << name;
  }
  EXPECT_EQ(bounds["CarPanelLabels[0]"][1].number, car_top + 5);

  const char* keys[] = {"t",      "ev",           "seed",         "CarFloor",   "CarDirection",
                        "CarTop", "CarAtFloor",   "CarLoad",      "DwellTicks", "BoardingBusy",
                        "Lamp",   "SceneryIndex", "SceneryTicks", "Queue",      "Up",
                        "Down",   "Panel",        "FullSigns",    "Kyaku",      "Manin",
                        "Slots"};
  for (size_t i = 1; i < lines.size(); ++i) {
    const Json& line = lines[i];
    const Snapshot& e = expected[i - 1];
    ASSERT_EQ(line.order, std::vector<std::string>(std::begin(keys), std::end(keys))) << i;
    for (const auto& [key, value] : e.numbers)
      EXPECT_EQ(line[key].number, value) << key << " " << i;
    for (const auto& [key, text] : e.texts) EXPECT_EQ(line[key].text, text) << key << " " << i;
    EXPECT_EQ(line["BoardingBusy"].type, Json::Type::Bool);
    EXPECT_FALSE(line["BoardingBusy"].boolean);
    EXPECT_EQ(line["Up"].items.size(), 5u);
    EXPECT_EQ(line["Down"].items.size(), 5u);
    EXPECT_EQ(line["Panel"].items.size(), 6u);
    EXPECT_EQ(line["FullSigns"].items.size(), 6u);
    ASSERT_EQ(line["Queue"].items.size(), 6u);
    for (size_t floor = 0; floor < 6; ++floor) {
      EXPECT_EQ(line["Queue"][floor].number, e.queue[floor]) << i;
    }
    const Json& slots = line["Slots"];
    ASSERT_EQ(slots.items.size(), 6u);
    int occupied = 0;
    for (const Json& floor : slots.items) {
      ASSERT_EQ(floor.items.size(), 10u);
      for (const Json& slot : floor.items) {
        if (slot.type == Json::Type::Null) continue;
        ++occupied;
        ASSERT_EQ(slot.items.size(), 5u);
      }
    }
    EXPECT_EQ(occupied, e.occupied) << i;
  }
  // At 3000 ms the car ticks before the arrivals.
  EXPECT_EQ(lines[31]["t"].number, 3000);
  EXPECT_EQ(lines[31]["ev"].text, "elv");
  EXPECT_EQ(lines[32]["t"].number, 3000);
  EXPECT_EQ(lines[32]["ev"].text, "timer1");
  EXPECT_EQ(lines[1]["ev"].text, "show");
  EXPECT_EQ(lines[1]["t"].number, 0);
}

TEST(HeadlessDriver, ReportsTheMissingBackdropBeforeTheShowLine) {
  TempDataFolder empty(false);
  DriverRun run = RunDriver("--seed 3 --ms 300 --trace --program " + empty.Program());
  ASSERT_EQ(run.status, 0);
  std::vector<Json> lines = ParseAll(run);
  ASSERT_EQ(lines.size(), 1u + 1u + 3u);
  EXPECT_EQ(lines[0]["ev"].text, "error");
  EXPECT_EQ(lines[0]["t"].number, 0);
  EXPECT_EQ(lines[0]["title"].text, "Vantorel");
  const int index = int(lines[1]["SceneryIndex"].number);
  EXPECT_EQ(lines[0]["text"].text, "ファイル " + empty.Dir() + Native("/VantorelData/mirso") +
                                       std::to_string(index) + ".jpg は開けません.");
  EXPECT_EQ(lines[1]["ev"].text, "show");
  for (size_t i = 2; i < lines.size(); ++i) EXPECT_EQ(lines[i]["ev"].text, "elv");
}

#ifndef _WIN32
// Windows allows none of these characters in a folder name.
TEST(HeadlessDriver, EscapesQuotesBackslashesAndControlsInTexts) {
  TempDataFolder base(false);
  const std::string folder = base.Dir() + "/say \"hi\"\\back\tslash";
  std::filesystem::create_directory(folder);
  DriverRun run = RunDriver("--seed 1 --program '" + folder + "/vantorel'");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_NE(run.lines[0].find("say \\\"hi\\\"\\\\back\\tslash"), std::string::npos) << run.lines[0];
  std::vector<Json> lines = ParseAll(run);
  ASSERT_EQ(lines.size(), 1u);
  const std::string text = lines[0]["text"].text;
  EXPECT_EQ(text.rfind("ファイル " + folder + "/VantorelData/mirso", 0), 0u) << text;
}

// The Windows driver writes no PNG.
TEST(HeadlessDriver, WritesTheScreenAsAPngOfTheScreensSize) {
  TempDataFolder out(false);
  const std::string png_path = out.Dir() + "/scene.png";
  DriverRun run = RunDriver("--screen 640x480 --seed 5 --ms 4000 --program " + BuiltProgram() +
                            " --png " + png_path);
  ASSERT_EQ(run.status, 0);
  EXPECT_TRUE(run.lines.empty());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, png_path.c_str()));
  EXPECT_EQ(image.width, 640u);
  EXPECT_EQ(image.height, 480u);
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));

  // The same run in this process paints the same picture.
  SaverHarness saver({640, 480}, 96, BuiltProgram());
  saver.Show(5);
  saver.App().RunUntil(4000);
  TElevatorScrForm& f = saver.Form();
  f.InvalidateAll();
  f.RepaintDirty();
  const Bitmap32& frame = f.Frame();
  ASSERT_EQ(frame.Width(), 640);
  ASSERT_EQ(frame.Height(), 480);
  int differing = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const uint32_t c = frame.Pixel(x, y);
      const png_byte* p = &pixels[(size_t(y) * 640 + size_t(x)) * 3];
      if (p[0] != ((c >> 16) & 0xFF) || p[1] != ((c >> 8) & 0xFF) || p[2] != (c & 0xFF)) {
        ++differing;
      }
    }
  }
  EXPECT_EQ(differing, 0);
}
#endif

// The driver's layout line at each density, on the platform's own fonts: the building's
// figures as worked by hand, and on a screen of at least the design height in 96-dpi pixels
// the whole scene within it.
TEST(HeadlessDriver, LaysTheSceneOutForTheScreensDensity) {
  for (const DensityLayout& e : kDensityLayouts) {
    SCOPED_TRACE(::testing::PrintToString(e));
    DriverRun run = RunDriver("--layout --screen " + std::to_string(e.screen.width) + "x" +
                              std::to_string(e.screen.height) + " --dpi " + std::to_string(e.ppi) +
                              " --program " + BuiltProgram());
    ASSERT_EQ(run.status, 0);
    std::vector<Json> lines = ParseAll(run);
    ASSERT_EQ(lines.size(), 1u);
    const Json& layout = lines[0];
    EXPECT_EQ(layout["ScreenScale"].number, e.screen_scale);
    EXPECT_EQ(layout["DpiScale"].number, e.dpi_scale);
    EXPECT_EQ(layout["CarStep"].number, e.car_step);
    for (size_t floor = 0; floor < 6; ++floor) {
      EXPECT_EQ(layout["FloorBaseY"][floor].number, e.floor_base[floor]) << floor;
    }
    const Json& bounds = layout["Bounds"];
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(bounds["ImgHaikei"][i].number, e.building[i]) << i;
    EXPECT_EQ(bounds["ImgElv"][0].number, e.car_left);
    EXPECT_EQ(bounds["BitBtn1"][0].number, e.button_left);
    if (!SceneFitsItsScreen(e)) continue;
    for (const char* name : {"ImgOkujo", "ImgKanban", "FloorFullLabels[5]", "DownCallButtons[5]"}) {
      EXPECT_GE(bounds[name][1].number, 0) << name;
    }
    EXPECT_LE(bounds["ImgKanban"][0].number + bounds["ImgKanban"][2].number, e.screen.width);
  }
}

TEST(HeadlessDriver, RejectsABadCommandLineWithExitCodeTwo) {
  for (const char* arguments : {"--screen 800", "--screen 0x600", "--seed -1", "--seed 4294967296",
                                "--dpi", "--ms 1.5", "--frobnicate", "--png"}) {
    DriverRun run = RunDriver(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_TRUE(run.lines.empty()) << arguments;
  }
  DriverRun largest = RunDriver("--seed 4294967295 --program " + BuiltProgram());
  EXPECT_EQ(largest.status, 0);
}

}  // namespace
}  // namespace vt::test
