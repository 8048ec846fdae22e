// "/s" in a Wayland session paces its frames by the compositor's: each frame asks to be told
// when it was shown, and the next one waits for that word (seen in the protocol log that
// libwayland writes with WAYLAND_DEBUG); an output that shows nothing gives no such word, and
// the saver then sleeps, painting nothing, until the output shows again.
#include <map>
#include <regex>
#include <sstream>

#include "WaylandEndToEndTest.h"

namespace vt {
namespace {

// What the protocol log says of one surface's frames.
struct Frames {
  int asked = 0;  // frame callbacks asked for
  int early = 0;  // frames asked for or buffers attached before the last one was shown
};

// Reads libwayland's log: requests ("-> wl_surface@3.frame(new id wl_callback@26)") and events
// ("wl_callback@26.done(123)"), each on a line of its own.
std::map<int, Frames> FramesBySurface(const std::string& log) {
  static const std::regex frame(R"(-> wl_surface@(\d+)\.frame\(new id wl_callback@(\d+)\))");
  static const std::regex attach(R"(-> wl_surface@(\d+)\.attach\(wl_buffer@)");
  static const std::regex done(R"( wl_callback@(\d+)\.done\()");
  std::map<int, Frames> frames;
  std::map<int, int> waiting;  // surface → the callback of its last frame, until it is done
  std::istringstream lines(log);
  std::string line;
  std::smatch match;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, match, frame)) {
      int surface = std::stoi(match[1]);
      ++frames[surface].asked;
      if (waiting.count(surface)) ++frames[surface].early;
      waiting[surface] = std::stoi(match[2]);
    } else if (std::regex_search(line, match, attach)) {
      int surface = std::stoi(match[1]);
      if (waiting.count(surface)) ++frames[surface].early;
    } else if (std::regex_search(line, match, done)) {
      int callback = std::stoi(match[1]);
      std::erase_if(waiting, [&](const auto& entry) { return entry.second == callback; });
    }
  }
  return frames;
}

class WaylandFrames : public WaylandEndToEndTest {};

TEST_F(WaylandFrames, EachFrameAfterTheFirstWaitsUntilTheCompositorHasShownTheLastOne) {
  ChildProcess& saver = StartInSession({"/s"}, {"WAYLAND_DEBUG=1"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  // Passengers come every three seconds, and the car moves to fetch them, a frame a tick.
  std::this_thread::sleep_for(8s);
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_EQ(ExitCode(saver), 0);
  std::map<int, Frames> frames = FramesBySurface(ErrorOutput(saver));
  ASSERT_FALSE(frames.empty()) << "no frame asked for";
  const auto scene = std::max_element(
      frames.begin(), frames.end(),
      [](const auto& a, const auto& b) { return a.second.asked < b.second.asked; });
  EXPECT_GE(scene->second.asked, 10) << "wl_surface@" << scene->first;
  for (const auto& [surface, counts] : frames) {
    EXPECT_EQ(counts.early, 0) << "wl_surface@" << surface << " drew before its frame was shown";
  }
}

// In a nested sway, whose outputs are windows of another sway that can hide them.
class WaylandOutputHidden : public WaylandEndToEndTest {
 protected:
  bool StartSession(std::string* error) override { return m_sway.StartNested(Outputs(), error); }
};

TEST_F(WaylandOutputHidden, ASceneNobodySeesGetsNoFrameAndTheSaverSleepsUntilItShowsAgain) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  ASSERT_GE(WakeUpsWithin(saver, 2s), 15) << "the car's ticks wake it";

  // The scene's output shows nothing: the compositor withholds the word that frames were shown.
  // The saver learns that nobody sees the scene only when it next paints and that frame is
  // never shown; a scene with nothing moving paints nothing, so its ticks go on until the next
  // passenger comes. From then on it must sleep.
  ASSERT_TRUE(m_sway.HideOutput(0));
  EXPECT_TRUE(WaitUntil([&] { return WakeUpsWithin(saver, 500ms) <= 1; }, 10s))
      << "the hidden scene still wakes the saver";
  EXPECT_LE(WakeUpsWithin(saver, 3s), 3);
  EXPECT_TRUE(saver.Running());

  // Shown again, the scene goes on.
  ASSERT_TRUE(m_sway.ShowOutput(0));
  EXPECT_GE(WakeUpsWithin(saver, 2s), 15);
  EXPECT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  EXPECT_TRUE(m_sway.Key("a"));
  EXPECT_EQ(ExitCode(saver, 5s), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
}

}  // namespace
}  // namespace vt
