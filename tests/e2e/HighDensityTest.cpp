// The saver on an X screen of many pixels per inch (Xft.dpi, as desktops set it for 200 %):
// the scene laid out for the screen's pixel height, whole, and the preview the same still as
// at 96 pixels per inch.
#include "EndToEndTest.h"
#include "SceneChecks.h"

namespace vt {
namespace {

constexpr uint32_t kHostBlue = 0x2040A0;  // host_window's own background

class HighDensity : public EndToEndTest {
 protected:
  void SetUp() override {}

  void SetDpi(const char* dpi) {
    ASSERT_EQ(Run(std::string("sh -c 'echo Xft.dpi: ") + dpi + " | xrdb -nocpp -merge'"), 0);
  }

  // The host's area on the screen once the preview has covered it (the host stands at 20, 20).
  Bitmap32 PreviewStill(int width, int height) {
    unsigned long host_id = 0;
    ChildProcess& host = StartHost(width, height, 0, &host_id);
    ChildProcess& preview = StartProgram({"/p", std::to_string(host_id)});
    auto covered = [&] {
      Bitmap32 screen = Screen();
      for (int y = 20; y < 20 + height; y += 2) {
        for (int x = 20; x < 20 + width; x += 2) {
          if (screen.Pixel(x, y) == kHostBlue) return false;
        }
      }
      return true;
    };
    EXPECT_TRUE(WaitUntil([&] { return covered() || !preview.Running(); }, 20s))
        << ErrorOutput(preview);
    Bitmap32 screen = Screen();
    Bitmap32 still(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) still.SetPixel(x, y, screen.Pixel(20 + x, 20 + y));
    }
    host.WriteLine("");
    EXPECT_EQ(ExitCode(host), 0);
    EXPECT_EQ(ExitCode(preview), 0) << ErrorOutput(preview);
    return still;
  }
};

TEST_F(HighDensity, A4kScreenAt192DpiShowsTheWholeSceneLaidOutForItsPixelHeight) {
  StartDisplay(3840, 2160);
  SetDpi("192");
  ChildProcess& saver = StartProgram({"/s"});
  const SceneLayout& scene = kLayout3840x2160At192;
  auto painted = [&] {
    return ScenePainted(scene, [&](int x, int y) { return ScreenPixel(x, y); });
  };
  ASSERT_TRUE(WaitUntil([&] { return painted() || !saver.Running(); }, 30s));
  ASSERT_TRUE(saver.Running()) << ErrorOutput(saver);
  Bitmap32 screen = Screen();
  ExpectCarOnAFloorLine(screen, scene);
  ExpectShaftWhereTheBuildingPutsIt(screen, scene);
  ExpectSignboardWhereItStands(screen, scene);
  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0) << ErrorOutput(saver);
}

TEST_F(HighDensity, ThePreviewAt192DpiIsTheSameStillAsAt96) {
  StartDisplay(1024, 768);
  Bitmap32 at96 = PreviewStill(152, 112);
  SetDpi("192");
  Bitmap32 at192 = PreviewStill(152, 112);
  int differing = 0;
  for (int y = 0; y < 112; ++y) {
    for (int x = 0; x < 152; ++x) differing += at96.Pixel(x, y) != at192.Pixel(x, y);
  }
  EXPECT_EQ(differing, 0);
  // And it is the still, not the host's blue or a blank form.
  int blue = 0;
  for (int y = 0; y < 112; ++y) {
    for (int x = 0; x < 152; ++x) blue += at192.Pixel(x, y) == kHostBlue;
  }
  EXPECT_EQ(blue, 0);
}

}  // namespace
}  // namespace vt
