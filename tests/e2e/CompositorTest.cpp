#include "CompositorTest.h"

#include <algorithm>

namespace vt {

void CompositorTest::SetUp() {
  if (std::string reason = Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
  EndToEndTest::SetUp();
  ASSERT_FALSE(HasFatalFailure());
  std::string error;
  ASSERT_TRUE(StartSession(&error)) << m_session->Name() << ": " << error;
}

ChildProcess& CompositorTest::StartInSession(const std::vector<std::string>& args,
                                             const std::vector<std::string>& environment) {
  std::vector<std::string> argv{m_session->Program()};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess::Options options = m_session->AsUser(argv);
  // A variable given here takes the place of the session's own.
  options.SetEnvironment(environment);
  return Launch(options, "stderr");
}

bool CompositorTest::WaitForScene(ChildProcess& runner, const SceneLayout& layout, size_t output) {
  return WaitUntil(
             [&] {
               if (!runner.Running()) return true;
               Bitmap32 picture = m_session->Screenshot(output);
               return picture.Width() == layout.width && picture.Height() == layout.height &&
                      ScenePainted(layout, [&](int x, int y) { return picture.Pixel(x, y); });
             },
             20s) &&
         runner.Running();
}

size_t CompositorTest::IconPixels(size_t output) const {
  constexpr uint32_t kIconRed = 0xD22828;
  Bitmap32 screen = m_session->Screenshot(output);
  const uint32_t* pixels = screen.Data();
  return size_t(
      std::count(pixels, pixels + size_t(screen.Width()) * size_t(screen.Height()), kIconRed));
}

void CompositorTest::ExpectEndedCleanly(ChildProcess& saver, const std::vector<size_t>& outputs) {
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
  // The compositor takes a surface away as it reads the program's last requests.
  for (size_t output : outputs) {
    EXPECT_TRUE(m_session->WaitForBackground(output, 5s))
        << m_session->Name() << " output " << output;
  }
}

}  // namespace vt
