#include "CompositorEndToEndTest.h"

namespace vt {

void CompositorEndToEndTest::SetUp() {
  EndToEndTest::SetUp();
  ASSERT_FALSE(HasFatalFailure());
  std::string error;
  ASSERT_TRUE(Session().Start(Outputs(), &error)) << error;
}

std::vector<CompositorSession::Output> CompositorEndToEndTest::Outputs() const {
  return {{1024, 768}, {800, 600}};
}

ChildProcess& CompositorEndToEndTest::StartInSession(const std::vector<std::string>& args,
                                                     const std::vector<std::string>& environment) {
  std::vector<std::string> argv{Session().Program()};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess::Options options = Session().AsUser(argv);
  options.environment.insert(options.environment.end(), environment.begin(), environment.end());
  return Launch(options, "stderr");
}

bool CompositorEndToEndTest::WaitForScene(ChildProcess& runner, const SceneLayout& layout,
                                          size_t output) {
  return WaitUntil(
             [&] {
               if (!runner.Running()) return true;
               Bitmap32 picture = Session().Screenshot(output);
               return picture.Width() == layout.width && picture.Height() == layout.height &&
                      ScenePainted(layout, [&](int x, int y) { return picture.Pixel(x, y); });
             },
             20s) &&
         runner.Running();
}

void CompositorEndToEndTest::ExpectEndedCleanly(ChildProcess& saver,
                                                const std::vector<size_t>& outputs) {
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_EQ(ErrorOutput(saver), "");
  // The compositor takes a surface away as it reads the program's last requests.
  for (size_t output : outputs) {
    EXPECT_TRUE(Session().WaitForBackground(output, 5s))
        << Session().Name() << " output " << output << " does not show its background";
  }
}

}  // namespace vt
