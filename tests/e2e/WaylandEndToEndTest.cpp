#include "WaylandEndToEndTest.h"

#include <algorithm>

namespace vt {

void WaylandEndToEndTest::SetUp() {
  EndToEndTest::SetUp();
  ASSERT_FALSE(HasFatalFailure());
  StartSession();
}

void WaylandEndToEndTest::StartSession() {
  std::string error;
  ASSERT_TRUE(m_sway.Start(Outputs(), &error)) << error;
}

std::vector<SwaySession::Output> WaylandEndToEndTest::Outputs() const {
  return {{1024, 768}, {800, 600}};
}

ChildProcess& WaylandEndToEndTest::StartInSession(const std::vector<std::string>& args,
                                                  const std::vector<std::string>& environment) {
  std::vector<std::string> argv{m_sway.Program()};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess::Options options = m_sway.AsUser(argv);
  options.environment.insert(options.environment.end(), environment.begin(), environment.end());
  return Launch(options, "stderr");
}

bool WaylandEndToEndTest::WaitForScene(ChildProcess& runner, const SceneLayout& layout,
                                       size_t output) {
  return WaitUntil(
             [&] {
               if (!runner.Running()) return true;
               Bitmap32 picture = m_sway.Screenshot(output);
               return picture.Width() == layout.width && picture.Height() == layout.height &&
                      ScenePainted(layout, [&](int x, int y) { return picture.Pixel(x, y); });
             },
             20s) &&
         runner.Running();
}

size_t WaylandEndToEndTest::IconPixels(size_t output) const {
  constexpr uint32_t kIconRed = 0xD22828;
  Bitmap32 screen = m_sway.Screenshot(output);
  const uint32_t* pixels = screen.Data();
  return size_t(
      std::count(pixels, pixels + size_t(screen.Width()) * size_t(screen.Height()), kIconRed));
}

void WaylandEndToEndTest::ExpectEndedCleanly(ChildProcess& saver,
                                             const std::vector<size_t>& outputs) {
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
  // The compositor takes a surface away as it reads the program's last requests.
  for (size_t output : outputs) {
    EXPECT_TRUE(
        m_sway.WaitForColour(output, m_sway.Background(output), 5s, CompositorSession::kPointerPixels))
        << m_sway.OutputName(output);
  }
}

}  // namespace vt
