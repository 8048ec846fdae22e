// How the running saver ends: the input that ends it and the input that does not, signals
// from outside, and what must be gone or given back afterwards.
#include <signal.h>

#include <algorithm>

#include "EndToEndTest.h"

namespace vt {
namespace {

// Each test starts with the saver running, the server's own saver (300 s before) switched off.
class SaverEnding : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(Run("xset s 300"), 0);
    m_saver = &StartProgram({"/s"});
    EXPECT_TRUE(WaitForSaver(*m_saver)) << ErrorOutput(*m_saver);
    // While it runs, the saver window is there and the server's own saver is switched off.
    EXPECT_EQ(Run("xdotool search --class vantorel >/dev/null"), 0);
    EXPECT_EQ(ServerSaverTimeout(), 0);
    ASSERT_FALSE(HasFailure());
  }

  // Exit code 0, nothing reported, no window left and the server's saver timeout back.
  void ExpectEndedCleanly() {
    EXPECT_EQ(ExitCode(*m_saver), 0);
    EXPECT_EQ(ErrorOutput(*m_saver), "");
    EXPECT_TRUE(ProgramWindows().empty());
    EXPECT_NE(Run("xdotool search --class vantorel >/dev/null"), 0);
    EXPECT_EQ(ServerSaverTimeout(), 300);
  }

  ChildProcess* m_saver = nullptr;
};

class InputEndsTheSaver : public SaverEnding, public ::testing::WithParamInterface<const char*> {};

TEST_P(InputEndsTheSaver, WithExitCodeZero) {
  EXPECT_EQ(Run(std::string("xdotool ") + GetParam()), 0);
  ExpectEndedCleanly();
}

// Letters and modifiers alone alike, the keys the system keeps for itself, and a button.
INSTANTIATE_TEST_SUITE_P(Inputs, InputEndsTheSaver,
                         ::testing::Values("key a", "key space", "key Shift_L", "key Control_L",
                                           "key Alt_L", "key F10", "click 3"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

// Input the saver lets pass, then input that ends it.
struct LetPassThenEnd {
  const char* name;
  const char* passing;
  const char* ending;
};

class OnlyTheLaterInputEndsTheSaver : public SaverEnding,
                                      public ::testing::WithParamInterface<LetPassThenEnd> {};

TEST_P(OnlyTheLaterInputEndsTheSaver, TheFirstKeepsItRunning) {
  EXPECT_EQ(Run(std::string("xdotool ") + GetParam().passing), 0);
  EXPECT_TRUE(KeepsRunning(*m_saver));
  EXPECT_EQ(Run(std::string("xdotool ") + GetParam().ending), 0);
  ExpectEndedCleanly();
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OnlyTheLaterInputEndsTheSaver,
    ::testing::Values(LetPassThenEnd{"TabAloneDoesNotEndItShiftTabDoesThroughShift", "key Tab",
                                     "key shift+Tab"},
                      // However far the first movement goes, it only records where the pointer is.
                      LetPassThenEnd{"TheFirstMovementOnlyRecordsTheSecondEndsIt",
                                     "mousemove 100 100", "mousemove 103 100"},
                      // Buttons 4 and 5 are the wheel, 6 and 7 its tilt.
                      LetPassThenEnd{"WheelTurnsDoNotEndItAClickAfterThemDoes",
                                     "click 4 click 5 click 6 click 7", "click 1"}),
    [](const ::testing::TestParamInfo<LetPassThenEnd>& info) {
      return std::string(info.param.name);
    });

class SignalEndsTheSaver : public SaverEnding, public ::testing::WithParamInterface<int> {};

TEST_P(SignalEndsTheSaver, AsACloseRequestWithTheServersSaverRestored) {
  m_saver->Signal(GetParam());
  ExpectEndedCleanly();
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalEndsTheSaver, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

// Started with nohup, the saver leaves the hangup ignored, as whoever started it asked, and
// still ends on a key.
TEST_F(EndToEndTest, SaverStartedWithNohupOutlivesAHangup) {
  ChildProcess::Options options;
  options.argv = {"/usr/bin/nohup", kProgram, "/s"};
  ChildProcess& saver = Launch(options, "stderr");
  ASSERT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
  saver.Signal(SIGHUP);
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_EQ(Run("xdotool key a"), 0);
  EXPECT_EQ(ExitCode(saver), 0);
  EXPECT_TRUE(ProgramWindows().empty());
}

}  // namespace
}  // namespace vt
