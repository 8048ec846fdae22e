// The saver form's show handler, its answer to the platform's saver request, and closing on
// the first input that reaches the building or the backdrop.

#include <gtest/gtest.h>

#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

class SaverShell : public ::testing::Test {
 protected:
  void SetUp() override { saver.Show(12); }
  void Post(InputEvent event) {
    event.window = f.Handle();
    saver.Backend().PostEvent(event);
    saver.App().RunUntil(saver.Backend().NowMs());
  }
  void Mouse(EventType type, int x, int y, TMouseButton button = TMouseButton::mbLeft) {
    InputEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.button = button;
    Post(e);
  }
  void Move(int x, int y) { Mouse(EventType::MouseMove, x, y); }
  void Key(uint16_t key, TShiftState shift = 0) {
    InputEvent e;
    e.type = EventType::KeyDown;
    e.key = key;
    e.shift = shift;
    Post(e);
  }
  // A point over the building picture where no other widget takes the mouse.
  Point OverBuilding() const { return {f.ImgHaikei->Left() + 400, f.ImgHaikei->Top() + 30}; }

  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
};

TEST_F(SaverShell, ShowHidesPointerAndTaskBarEntryAndStartsBothTimers) {
  EXPECT_EQ(saver.Backend().CursorCount(), -1);
  const HeadlessBackend::Window* app_window = saver.Backend().FindWindow(saver.App().Handle());
  ASSERT_NE(app_window, nullptr);
  EXPECT_FALSE(app_window->visible);
  EXPECT_EQ(f.ImeMode(), TImeMode::imDisable);
  EXPECT_EQ(f.DataDir, Native(std::string(VT_BINARY_DIR) + "/"));
  EXPECT_EQ(f.Timer1->Interval(), 3000u);
  EXPECT_TRUE(f.Timer1->Running());
  EXPECT_EQ(f.ElvTimer->Interval(), 100u);
  EXPECT_TRUE(f.ElvTimer->Running());
  // The car timer ticks first when both fall due.
  EXPECT_LT(f.ElvTimer->StartSequence(), f.Timer1->StartSequence());
  EXPECT_EQ(f.Timer1->NextDueMs(), 3000);
  EXPECT_TRUE(saver.Errors().empty());
}

TEST_F(SaverShell, AnswersThePlatformsSaverRequestAndNothingElse) {
  for (uint32_t command : {0xF140u, 0xF141u, 0xF060u, 0xF170u}) {
    InputEvent e;
    e.type = EventType::SysCommand;
    e.command = command;
    Post(e);
  }
  const auto& answers = saver.Backend().SysCommandAnswers();
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_EQ(answers[0], (std::pair<uint32_t, intptr_t>{0xF140u, 1}));
  EXPECT_EQ(answers[1], (std::pair<uint32_t, intptr_t>{0xF141u, 1}));
  EXPECT_EQ(answers[2].second, 0);
  EXPECT_EQ(answers[3].second, 0);
  EXPECT_FALSE(saver.App().Terminated());
}

TEST_F(SaverShell, FirstMovementOnlyRecordsThePositionAndTheNextDifferentOneCloses) {
  Move(700, 10);
  EXPECT_EQ(f.MouseOriginX, 700);
  EXPECT_EQ(f.MouseOriginY, 10);
  EXPECT_FALSE(saver.App().Terminated());
  Move(700, 10);
  EXPECT_FALSE(saver.App().Terminated());
  Move(701, 10);
  EXPECT_TRUE(saver.App().Terminated());
  EXPECT_EQ(f.MouseOriginX, 700);
  EXPECT_EQ(saver.Backend().CursorCount(), 0);
}

TEST_F(SaverShell, PositionsAreComparedAsTheReportingWidgetGivesThem) {
  const Point p = OverBuilding();
  ASSERT_EQ(f.ControlAtPos(p.x, p.y), f.ImgHaikei);
  // The origin comes from the backdrop in form coordinates...
  Move(400, 30);
  ASSERT_EQ(f.MouseOriginX, 400);
  // ...and the building reports the same pair relative to itself: no movement.
  Move(p.x, p.y);
  EXPECT_FALSE(saver.App().Terminated());
  // One pixel further on, as the building reports it, differs and closes.
  Move(p.x + 1, p.y);
  EXPECT_TRUE(saver.App().Terminated());
}

TEST_F(SaverShell, MovementOverTheCarOrSignboardNeverCloses) {
  Move(3, 3);
  const int x = f.ImgKanban->Left() + 100;
  const int y = f.ImgKanban->Top() + 50;
  ASSERT_EQ(f.ControlAtPos(x, y), f.ImgKanban);
  Move(x, y);
  Move(x + 7, y + 2);
  const int cx = f.ImgElv->Left() + f.ImgElv->Width() - 2;
  const int cy = f.ImgElv->Top() + 2;
  ASSERT_EQ(f.ControlAtPos(cx, cy), f.ImgElv);
  Move(cx, cy);
  Mouse(EventType::MouseDown, cx, cy);
  EXPECT_FALSE(saver.App().Terminated());
}

TEST_F(SaverShell, AnyButtonOverTheBuildingCloses) {
  Mouse(EventType::MouseDown, OverBuilding().x, OverBuilding().y, TMouseButton::mbRight);
  EXPECT_TRUE(saver.App().Terminated());
  EXPECT_EQ(saver.Backend().CursorCount(), 0);
}

TEST_F(SaverShell, ModifierKeyAloneClosesButTabAloneDoesNot) {
  Key(VK_TAB);
  EXPECT_FALSE(saver.App().Terminated());
  Key(VK_SHIFT, ssShift);
  EXPECT_TRUE(saver.App().Terminated());
  EXPECT_EQ(saver.Backend().CursorCount(), 0);
}

}  // namespace
}  // namespace vt::test
