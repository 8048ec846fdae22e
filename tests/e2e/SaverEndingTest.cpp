// How the running saver ends: the input that ends it and the input that does not, signals
// from outside, and what must be gone or given back afterwards.
#include <signal.h>

#include "EndToEndTest.h"

namespace vt {
namespace {

class SaverEnding : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(Run("xset s 300"), 0);
  }

  ChildProcess& StartSaver() {
    ChildProcess& saver = StartProgram({"/s"});
    EXPECT_TRUE(WaitForSaver(saver)) << ErrorOutput(saver);
    // While it runs, the saver window is there and the server's own saver is switched off.
    EXPECT_EQ(Run("xdotool search --class vantorel >/dev/null"), 0);
    EXPECT_EQ(ServerSaverTimeout(), 0);
    return saver;
  }

  // Exit code 0, nothing reported, no window left and the server's saver timeout back.
  void ExpectEndedCleanly(ChildProcess& saver) {
    EXPECT_EQ(ExitCode(saver), 0);
    EXPECT_EQ(ErrorOutput(saver), "");
    EXPECT_TRUE(ProgramWindows().empty());
    EXPECT_NE(Run("xdotool search --class vantorel >/dev/null"), 0);
    EXPECT_EQ(ServerSaverTimeout(), 300);
  }
};

class KeyEndsTheSaver : public SaverEnding, public ::testing::WithParamInterface<const char*> {};

TEST_P(KeyEndsTheSaver, WithExitCodeZero) {
  ChildProcess& saver = StartSaver();
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(Run(std::string("xdotool key ") + GetParam()), 0);
  ExpectEndedCleanly(saver);
}

// Letters and modifiers alone alike, and the keys the system keeps for itself.
INSTANTIATE_TEST_SUITE_P(Keys, KeyEndsTheSaver,
                         ::testing::Values("a", "space", "Shift_L", "Control_L", "Alt_L", "F10"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST_F(SaverEnding, TabAloneDoesNotEndItShiftTabDoesThroughShift) {
  ChildProcess& saver = StartSaver();
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(Run("xdotool key Tab"), 0);
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_EQ(Run("xdotool key shift+Tab"), 0);
  ExpectEndedCleanly(saver);
}

TEST_F(SaverEnding, TheFirstMovementOnlyRecordsTheSecondEndsIt) {
  ChildProcess& saver = StartSaver();
  ASSERT_FALSE(HasFailure());
  // However far the first movement goes, it only records where the pointer is.
  EXPECT_EQ(Run("xdotool mousemove 100 100"), 0);
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_EQ(Run("xdotool mousemove 103 100"), 0);
  ExpectEndedCleanly(saver);
}

TEST_F(SaverEnding, AButtonPressEndsIt) {
  ChildProcess& saver = StartSaver();
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(Run("xdotool click 3"), 0);
  ExpectEndedCleanly(saver);
}

TEST_F(SaverEnding, WheelTurnsDoNotEndItAClickAfterThemDoes) {
  ChildProcess& saver = StartSaver();
  ASSERT_FALSE(HasFailure());
  // Buttons 4 and 5 are the wheel, 6 and 7 its tilt.
  EXPECT_EQ(Run("xdotool click 4 click 5 click 6 click 7"), 0);
  EXPECT_TRUE(KeepsRunning(saver));
  EXPECT_EQ(Run("xdotool click 1"), 0);
  ExpectEndedCleanly(saver);
}

class SignalEndsTheSaver : public SaverEnding, public ::testing::WithParamInterface<int> {};

TEST_P(SignalEndsTheSaver, AsACloseRequestWithTheServersSaverRestored) {
  ChildProcess& saver = StartSaver();
  ASSERT_FALSE(HasFailure());
  saver.Signal(GetParam());
  ExpectEndedCleanly(saver);
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalEndsTheSaver, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

}  // namespace
}  // namespace vt
