// Starts that show nothing, and the saver started without its data folder.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "EndToEndTest.h"
#include "widgets/JpegDecoder.h"

// clang-format off
#include <X11/Xlib.h>
// clang-format on

namespace vt {
namespace {

class ProgramStart : public EndToEndTest {};

struct NoModeCase {
  const char* name;
  std::vector<std::string> args;
};

void PrintTo(const NoModeCase& start, std::ostream* out) {
  *out << start.name;
}

const NoModeCase kNoModes[] = {
    {"NoArgument", {}}, {"Configure", {"/c"}}, {"DashS", {"-s"}}, {"SlashSColonOne", {"/s:1"}}};

class NoMode : public ProgramStart, public ::testing::WithParamInterface<NoModeCase> {};

TEST_P(NoMode, EndsAtOnceWithExitCodeZeroAndNoWindow) {
  // Every window made on the server from now on is announced to the test.
  XSelectInput(X(), DefaultRootWindow(X()), SubstructureNotifyMask);
  XSync(X(), True);
  ChildProcess& program = StartProgram(GetParam().args);
  EXPECT_EQ(ExitCode(program, 5s), 0);
  EXPECT_EQ(ErrorOutput(program), "");
  XSync(X(), False);
  XEvent event;
  EXPECT_FALSE(XCheckTypedEvent(X(), CreateNotify, &event));
  EXPECT_FALSE(XCheckTypedEvent(X(), MapNotify, &event));
}

INSTANTIATE_TEST_SUITE_P(Arguments, NoMode, ::testing::ValuesIn(kNoModes),
                         [](const ::testing::TestParamInfo<NoModeCase>& info) {
                           return std::string(info.param.name);
                         });

// The mean colour of an area of a picture, per channel.
struct MeanColour {
  double red = 0, green = 0, blue = 0;
};

MeanColour Mean(const Bitmap32& picture, const Rect& area) {
  MeanColour mean;
  for (int y = area.top; y < area.Bottom(); ++y) {
    for (int x = area.left; x < area.Right(); ++x) {
      uint32_t pixel = picture.Pixel(x, y);
      mean.red += (pixel >> 16) & 0xFF;
      mean.green += (pixel >> 8) & 0xFF;
      mean.blue += pixel & 0xFF;
    }
  }
  double count = double(area.width) * area.height;
  return {mean.red / count, mean.green / count, mean.blue / count};
}

double Distance(const MeanColour& a, const MeanColour& b) {
  return std::max(
      {std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
}

Bitmap32 DecodeJpeg(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  return JpegDecoder(std::move(bytes)).Decode();
}

// Blocks of the backdrop that nothing covers on a 1024 x 768 screen.
const Rect kBackdropBlocks[] = {
    {20, 20, 40, 40}, {964, 20, 40, 40}, {20, 400, 40, 40}, {964, 400, 40, 40}, {500, 60, 40, 40}};

// The mean colours of the blocks as a photograph stretched to the screen shows them.
std::vector<MeanColour> BlockMeans(const Bitmap32& photo, int screen_width, int screen_height) {
  std::vector<MeanColour> means;
  for (const Rect& block : kBackdropBlocks) {
    int left = block.left * photo.Width() / screen_width;
    int top = block.top * photo.Height() / screen_height;
    int right = block.Right() * photo.Width() / screen_width;
    int bottom = block.Bottom() * photo.Height() / screen_height;
    means.push_back(Mean(photo, {left, top, right - left, bottom - top}));
  }
  return means;
}

TEST_F(ProgramStart, WithoutTheDataFolderOneBoxThenTheBuiltInSceneWhichStillEndsOnInput) {
  std::string program = TempDir() + "/vantorel";
  std::filesystem::copy_file(kProgram, program);
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  ChildProcess& saver = StartProgram({"/s"}, program);

  std::optional<ProgramWindow> box;
  ASSERT_TRUE(WaitUntil(
      [&] {
        box = ViewableWindowNamed("Vantorel");
        return (box && FocusWindow() == box->id) || !saver.Running();
      },
      20s))
      << ErrorOutput(saver);
  ASSERT_TRUE(box);
  EXPECT_TRUE(box->dialog);
  // The box comes from the saver's show handler, so it stands above the saver's window.
  for (const ProgramWindow& window : ProgramWindows()) {
    if (window.name == "ElevatorScrForm") {
      EXPECT_GT(box->stacking, window.stacking);
    }
  }
  std::string line = ErrorOutput(saver);
  std::string head = "Vantorel: ファイル " + TempDir() + "/VantorelData/mirso";
  ASSERT_EQ(line.substr(0, head.size()), head) << line;
  std::string rest = line.substr(head.size());
  ASSERT_EQ(rest.size(), std::string("0.jpg は開けません.\n").size()) << line;
  EXPECT_NE(std::string("012345").find(rest[0]), std::string::npos) << line;
  EXPECT_EQ(rest.substr(1), ".jpg は開けません.\n");

  EXPECT_TRUE(KeepsRunning(saver, 300ms));
  EXPECT_EQ(Run("xdotool key Return"), 0);
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  EXPECT_TRUE(WaitUntil([&] { return !ViewableWindowNamed("Vantorel"); }, 5s));
  // No second box: the rooftop character is not even tried once the backdrop failed.
  EXPECT_TRUE(KeepsRunning(saver, 300ms));
  EXPECT_EQ(ErrorOutput(saver), line);

  // The backdrop is the form's own picture, not one of the data folder's photographs.
  Bitmap32 builtin = DecodeJpeg(VT_BINARY_DIR "/generated/backdrop.jpg");
  std::vector<MeanColour> expected = BlockMeans(builtin, 1024, 768);
  for (int n = 0; n < 6; ++n) {
    std::vector<MeanColour> photo = BlockMeans(
        DecodeJpeg(VT_BINARY_DIR "/VantorelData/mirso" + std::to_string(n) + ".jpg"), 1024, 768);
    double largest = 0;
    for (size_t i = 0; i < photo.size(); ++i)
      largest = std::max(largest, Distance(photo[i], expected[i]));
    ASSERT_GT(largest, 20) << "mirso" << n << " looks like the built-in backdrop here";
  }
  Bitmap32 screen = Screen();
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_LT(Distance(Mean(screen, kBackdropBlocks[i]), expected[i]), 8) << "block " << i;
  }

  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_TRUE(ProgramWindows().empty());
}

}  // namespace
}  // namespace vt
