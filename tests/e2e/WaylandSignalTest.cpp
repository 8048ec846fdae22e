// The saver in a Wayland session ended from outside, as an idle manager or a user's kill ends
// it: it closes as one asked to, reporting nothing and leaving nothing on the outputs.
#include <signal.h>

#include <cstring>
#include <string>

#include "WaylandEndToEndTest.h"

namespace vt {
namespace {

class WaylandSignalEndsTheSaver : public WaylandEndToEndTest,
                                  public ::testing::WithParamInterface<int> {};

TEST_P(WaylandSignalEndsTheSaver, AsACloseRequest) {
  ChildProcess& saver = StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(saver, kLayout1024x768)) << ErrorOutput(saver);
  saver.Signal(GetParam());
  ExpectEndedCleanly(saver);
}

INSTANTIATE_TEST_SUITE_P(Signals, WaylandSignalEndsTheSaver,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

}  // namespace
}  // namespace vt
