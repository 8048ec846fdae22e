#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "assets/BuiltinResources.h"
#include "shell/TElevatorScrForm.h"
#include "widgets/TApplication.h"
#include "widgets/TBitBtn.h"
#include "widgets/TTimer.h"
#include "widgets/headless/HeadlessBackend.h"

namespace vt {
namespace {

// A path written with "/" in the platform's own delimiters.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', PathDelim);
  return path;
}

// The saver form as "/s" creates it, on a 1024 x 768 headless screen, with a fixed seed.
class SaverShell : public ::testing::Test {
 protected:
  explicit SaverShell(std::string exe = Native(VT_BINARY_DIR "/vantorel"))
      : backend({1024, 768}, 96), application(backend) {
    application.SetTitle("Vantorel");
    application.SetResourceFinder(assets::Find);
    application.SetExeName(std::move(exe));
    application.CreateForm(ElevatorScrForm);
    form = ElevatorScrForm;
    form->SetSeedOverride(0);
    application.ShowMainForm();
    application.PaintDirtyForms();
  }
  void Post(EventType type, int x, int y, uint16_t key = 0, TShiftState shift = 0) {
    InputEvent e;
    e.type = type;
    e.window = form->Handle();
    e.x = x;
    e.y = y;
    e.key = key;
    e.shift = shift;
    backend.PostEvent(e);
    // Less than one car tick: the events are handled, the scene does not move.
    application.RunUntil(backend.NowMs() + 50);
  }
  bool Closed() const { return application.Terminated(); }

  HeadlessBackend backend;
  TApplication application;
  TElevatorScrForm* form = nullptr;
};

TEST_F(SaverShell, ShowingHidesThePointerAndTheTaskBarEntryAndStartsBothTimers) {
  EXPECT_EQ(backend.CursorCount(), -1);
  const HeadlessBackend::Window* own = backend.FindWindow(application.Handle());
  ASSERT_NE(own, nullptr);
  EXPECT_FALSE(own->visible);
  EXPECT_EQ(form->DataDir, Native(VT_BINARY_DIR "/"));
  EXPECT_EQ(form->ImeMode(), TImeMode::imDisable);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(form->Timer1->Interval(), 3000u);
  EXPECT_TRUE(form->ElvTimer->Enabled());
  EXPECT_EQ(form->ElvTimer->Interval(), 100u);
  EXPECT_TRUE(backend.ErrorBoxes().empty());
  const HeadlessBackend::Window* window = backend.FindWindow(form->Handle());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->request.kind, WindowKind::FullScreen);
  EXPECT_TRUE(window->visible);
}

TEST_F(SaverShell, TheFirstMovementOnlyRecordsTheSecondDifferentOneCloses) {
  Post(EventType::MouseMove, 400, 50);
  EXPECT_FALSE(Closed());
  EXPECT_EQ(form->MouseOriginX, 400);
  EXPECT_EQ(form->MouseOriginY, 50);
  Post(EventType::MouseMove, 400, 50);
  EXPECT_FALSE(Closed());
  Post(EventType::MouseMove, 401, 50);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(backend.CursorCount(), 0) << "the pointer shows again after the close";
}

TEST_F(SaverShell, PositionsAreComparedRelativeToTheReportingWidget) {
  Post(EventType::MouseMove, 400, 50);  // reported by the backdrop, at the form's origin
  int left = form->ImgHaikei->Left(), top = form->ImgHaikei->Top();
  // Over the plain floor-5 band the building reports the same pair: not a movement.
  Post(EventType::MouseMove, left + 400, top + 50);
  EXPECT_FALSE(Closed());
  Post(EventType::MouseMove, left + 399, top + 50);
  EXPECT_TRUE(Closed());
}

TEST_F(SaverShell, MovingOrClickingOverTheCarOrTheSignboardDoesNothing) {
  Rect car = form->ImgElv->BoundsRect();
  Post(EventType::MouseMove, car.left + 40, car.top + 60);
  Post(EventType::MouseMove, car.left + 42, car.top + 61);
  Post(EventType::MouseDown, car.left + 42, car.top + 61);
  Rect sign = form->ImgKanban->BoundsRect();
  Post(EventType::MouseMove, sign.left + 10, sign.top + 10);
  Post(EventType::MouseDown, sign.left + 100, sign.top + 50);
  EXPECT_FALSE(Closed());
  Post(EventType::MouseDown, 5, 5);
  EXPECT_TRUE(Closed());
}

TEST_F(SaverShell, AnyKeyClosesEvenAModifierAlone) {
  Post(EventType::KeyDown, 0, 0, VK_SHIFT, ssShift);
  EXPECT_TRUE(Closed());
}

TEST_F(SaverShell, TabAloneDoesNotCloseButShiftTabDoesThroughShift) {
  Post(EventType::KeyDown, 0, 0, VK_TAB);
  EXPECT_FALSE(Closed());
  Post(EventType::KeyDown, 0, 0, VK_SHIFT, ssShift);
  EXPECT_TRUE(Closed());
}

TEST_F(SaverShell, WithACallButtonFocusedArrowsAndEnterAreConsumedOtherKeysClose) {
  form->UpCallButtons[2]->SetEnabled(true);
  Post(EventType::KeyDown, 0, 0, VK_TAB);
  ASSERT_EQ(form->ActiveControl(), form->UpCallButtons[2]);
  for (uint16_t key : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN}) {
    Post(EventType::KeyDown, 0, 0, key);
    EXPECT_FALSE(Closed()) << key;
  }
  Post(EventType::KeyDown, 0, 0, 'A');
  EXPECT_TRUE(Closed());
}

TEST_F(SaverShell, ThePlatformsSaverRequestIsAnsweredWhateverItsLowBitsAndStartsNothing) {
  // The low four bits are the system's own: 0xF141 is the secure request, sent when resuming
  // asks for the logon screen. Every other command, the neighbours of the saver request and
  // monitor power above all, is left to the standard handling.
  const std::vector<std::pair<uint32_t, intptr_t>> expected = {
      {SC_SCREENSAVE, 1}, {0xF141, 1}, {0xF14F, 1}, {0xF130, 0},
      {0xF150, 0},        {0xF170, 0}, {0xF060, 0}, {0x0140, 0}};
  InputEvent e;
  e.type = EventType::SysCommand;
  e.window = form->Handle();
  for (const auto& [command, answer] : expected) {
    e.command = command;
    backend.PostEvent(e);
  }
  application.RunUntil(50);
  EXPECT_EQ(backend.SysCommandAnswers(), expected);
  EXPECT_FALSE(Closed());
}

TEST_F(SaverShell, ACloseRequestFromThePlatformEndsTheProgram) {
  InputEvent e;
  e.type = EventType::CloseRequest;
  e.window = form->Handle();
  backend.PostEvent(e);
  application.RunUntil(50);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(backend.CursorCount(), 0);
}

class SaverWithoutDataFolder : public SaverShell {
 protected:
  SaverWithoutDataFolder() : SaverShell(EmptyFolder() + Native("/vantorel")) {}
  static std::string EmptyFolder() {
    auto dir = std::filesystem::temp_directory_path() / "vantorel-no-data";
    std::filesystem::create_directories(dir);
    std::filesystem::remove_all(dir / "VantorelData");
    return dir.string();
  }
};

TEST_F(SaverWithoutDataFolder, ReportsTheBackdropOnceThenRunsEmptyAndStillEndsOnInput) {
  ASSERT_EQ(backend.ErrorBoxes().size(), 1u);
  const auto& box = backend.ErrorBoxes()[0];
  EXPECT_EQ(box.title, "Vantorel");
  std::string path =
      form->DataDir + Native("VantorelData/mirso") + std::to_string(form->SceneryIndex) + ".jpg";
  EXPECT_EQ(box.text, "ファイル " + path + " は開けません.");
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(backend.CursorCount(), -1);

  int car_top = form->ImgElv->Top();
  application.RunUntil(30000);
  EXPECT_EQ(backend.ErrorBoxes().size(), 1u);
  for (int f = 0; f < 6; ++f) EXPECT_EQ(form->FloorQueueCount[f], 0);
  EXPECT_EQ(form->ImgElv->Top(), car_top) << "an empty car with no calls stays where it is";
  EXPECT_EQ(form->CarLoad, 0);
  // The built-in backdrop is still there.
  EXPECT_EQ(form->ImgBillding->Picture().Width(), 733);

  Post(EventType::MouseDown, 10, 10);
  EXPECT_TRUE(Closed());
}

}  // namespace
}  // namespace vt
