#include <gtest/gtest.h>

#include <algorithm>

#include "assets/BuiltinResources.h"
#include "shell/ProgramEntry.h"
#include "shell/TPrvForm.h"
#include "widgets/TApplication.h"
#include "widgets/headless/HeadlessBackend.h"

namespace vt {
namespace {

std::string ConversionError(const std::string& text) {
  try {
    StrToInt(text);
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(ModeSelection, OnlyTheExactSwitchesSelectAMode) {
  EXPECT_EQ(SelectMode({"/s"}), ProgramMode::Saver);
  EXPECT_EQ(SelectMode({"/S"}), ProgramMode::Saver);
  EXPECT_EQ(SelectMode({"/s", "1234"}), ProgramMode::Saver);
  EXPECT_EQ(SelectMode({"/p", "12"}), ProgramMode::Preview);
  EXPECT_EQ(SelectMode({"/P"}), ProgramMode::Preview);
  for (const char* other : {"", "/c", "/a", "-s", "/s:1", "/Scr", "s", "/p:5", " /s"}) {
    EXPECT_EQ(SelectMode({other}), ProgramMode::None) << other;
  }
  EXPECT_EQ(SelectMode({}), ProgramMode::None);
  for (const char* daemon : {"--root", "-root", "--window-id", "-window-id"}) {
    EXPECT_EQ(SelectMode({daemon, "12"}), ProgramMode::XScreenSaver) << daemon;
    // Where no such daemon runs (Windows), they are arguments like any other.
    EXPECT_EQ(SelectMode({daemon, "12"}, SaverDaemon::None), ProgramMode::None) << daemon;
  }
  for (const char* other : {"-Root", "--root=1", "root", "--window"}) {
    EXPECT_EQ(SelectMode({other}), ProgramMode::None) << other;
  }
}

TEST(ModeSelection, TheHostWindowComesFromTheLineThenTheEnvironmentThenIsTheRoot) {
  EXPECT_EQ(SaverHostWindow({"--window-id", "0x2a"}, "77"), 42u);
  EXPECT_EQ(SaverHostWindow({"--root", "-window-id", "42"}, nullptr), 42u);
  EXPECT_EQ(SaverHostWindow({"--root"}, "0x4a00007"), 0x4a00007u);
  EXPECT_EQ(SaverHostWindow({"-root"}, nullptr), 0u);
  EXPECT_THROW(SaverHostWindow({"--window-id"}, "77"), EConvertError);
  EXPECT_THROW(SaverHostWindow({"--root"}, "window"), EConvertError);
}

TEST(ModeSelection, NoModeEndsAtOnceWithoutOpeningTheDisplay) {
  bool opened = false;
  auto factory = [&](std::string*) -> std::unique_ptr<Backend> {
    opened = true;
    return std::make_unique<HeadlessBackend>();
  };
  for (auto args : std::vector<std::vector<std::string>>{{}, {"/c"}, {"/a"}, {"-s"}}) {
    EXPECT_EQ(RunProgram(args, factory), 0);
  }
  EXPECT_FALSE(opened);
}

TEST(HandleConversion, AcceptsDecimalAndEveryHexadecimalPrefix) {
  EXPECT_EQ(StrToInt("6699"), 6699);
  EXPECT_EQ(StrToInt("$1A2B"), 6699);
  EXPECT_EQ(StrToInt("x1A2B"), 6699);
  EXPECT_EQ(StrToInt("X1a2b"), 6699);
  EXPECT_EQ(StrToInt("0x1a2b"), 6699);
  EXPECT_EQ(StrToInt("0X1A2B"), 6699);
  EXPECT_EQ(StrToInt("   42"), 42);
  EXPECT_EQ(StrToInt("+42"), 42);
  EXPECT_EQ(StrToInt("-42"), -42);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("0"), 0);
}

TEST(HandleConversion, RejectsEverythingElseWithTheArgumentInTheMessage) {
  EXPECT_EQ(ConversionError("12abc"), "'12abc' は整数ではありません");
  EXPECT_EQ(ConversionError(""), "'' は整数ではありません");
  EXPECT_EQ(ConversionError("2147483648"), "'2147483648' は整数ではありません");
  EXPECT_EQ(ConversionError("-2147483649"), "'-2147483649' は整数ではありません");
  for (const char* bad : {"12 ", "0x", "$", "+", "-", "1.5", "0xG1", "99999999999999999999", "１２"}) {
    EXPECT_NE(ConversionError(bad), "no error") << bad;
  }
}

TEST(LastChance, FillsTheTemplateWithKindFileAddressAndMessage) {
  EConvertError error("'12abc' は整数ではありません");
  std::string program = std::string("/opt/vantorel/vantorel");
  std::replace(program.begin(), program.end(), '/', PathDelim);
  EXPECT_EQ(LastChanceText(error, program, 0x0040ABCD),
            "EConvertError がモジュール vantorel の 0040ABCD で発生しました。\r\n"
            "'12abc' は整数ではありません.\r\n");
  EOSError ends_with_stop("システムエラー。コード：3.");
  EXPECT_EQ(LastChanceText(ends_with_stop, "vantorel", 1),
            "EOSError がモジュール vantorel の 00000001 "
            "で発生しました。\r\nシステムエラー。コード：3.\r\n");
}

// The preview runs on the headless backend with a pretend host window.
class PreviewStart : public ::testing::Test {
 protected:
  PreviewStart() : application(backend) {
    application.SetTitle("Vantorel");
    application.SetResourceFinder(assets::Find);
    PreviewParent = 0;
    PreviewParentRect = {};
    PrvForm = nullptr;
  }
  std::string StartError(const std::vector<std::string>& args) {
    try {
      StartMode(application, ProgramMode::Preview, args);
    } catch (const Exception& e) {
      return e.Kind() + ": " + e.Message();
    }
    return "started";
  }
  HeadlessBackend backend;
  TApplication application;
};

TEST_F(PreviewStart, CoversTheHostsOuterRectangleAsItsChild) {
  backend.AddForeignWindow(6699, {40, 30, 152, 112});
  ASSERT_EQ(StartError({"/p", "$1A2B"}), "started");
  ASSERT_NE(PrvForm, nullptr);
  EXPECT_EQ(PreviewParent, 6699);
  EXPECT_EQ(PrvForm->BoundsRect(), (Rect{0, 0, 152, 112}));
  ASSERT_NE(PrvForm->Image1, nullptr);
  EXPECT_EQ(PrvForm->Image1->BoundsRect(), (Rect{0, 0, 152, 112}));
  EXPECT_EQ(PrvForm->Image1->Picture().Width(), 350);
  EXPECT_EQ(PrvForm->Image1->Picture().Height(), 262);
  const HeadlessBackend::Window* window = backend.FindWindow(PrvForm->Handle());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->request.kind, WindowKind::Child);
  EXPECT_EQ(window->request.foreign_parent, 6699u);
  EXPECT_TRUE(PrvForm->Timers().empty());
}

TEST_F(PreviewStart, TheStretchedStillFillsThePreview) {
  backend.AddForeignWindow(77, {0, 0, 152, 112});
  ASSERT_EQ(StartError({"/p", "77"}), "started");
  application.ShowMainForm();
  application.PaintDirtyForms();
  const Bitmap32& screen = backend.FindWindow(PrvForm->Handle())->screen;
  ASSERT_EQ(screen.Width(), 152);
  // No pixel of the form's own button-face colour is left uncovered by the picture.
  int face = 0;
  for (int y = 0; y < screen.Height(); ++y) {
    for (int x = 0; x < screen.Width(); ++x) face += (screen.Pixel(x, y) & 0xFFFFFF) == clBtnFace;
  }
  EXPECT_LT(face, 152 * 112 / 50);
}

TEST_F(PreviewStart, StartUpErrorsHaveTheirKindsAndMessages) {
  EXPECT_EQ(StartError({"/p"}), "EConvertError: '' は整数ではありません");
  EXPECT_EQ(StartError({"/p", "12abc"}), "EConvertError: '12abc' は整数ではありません");
}

TEST_F(PreviewStart, ZeroHandleHasNoParentWindow) {
  EXPECT_EQ(StartError({"/p", "0"}),
            "EInvalidOperation: コントロール 'PrvForm' は親ウィンドウを持っていません");
}

TEST_F(PreviewStart, AHandleThatNamesNoWindowIsASystemError) {
  std::string error = StartError({"/p", "123456"});
  EXPECT_EQ(error.rfind("EOSError: システムエラー。コード：", 0), 0u) << error;
}

TEST_F(PreviewStart, DestroyingTheHostEndsTheProgram) {
  backend.AddForeignWindow(55, {0, 0, 100, 80});
  ASSERT_EQ(StartError({"/p", "55"}), "started");
  application.ShowMainForm();
  InputEvent destroyed;
  destroyed.type = EventType::Destroyed;
  destroyed.window = PrvForm->Handle();
  backend.PostEvent(destroyed);
  application.RunUntil(1000);
  EXPECT_TRUE(application.Terminated());
}

TEST_F(PreviewStart, InputDoesNothing) {
  backend.AddForeignWindow(56, {0, 0, 100, 80});
  ASSERT_EQ(StartError({"/p", "56"}), "started");
  application.ShowMainForm();
  for (EventType type : {EventType::KeyDown, EventType::MouseDown, EventType::MouseMove}) {
    InputEvent e;
    e.type = type;
    e.window = PrvForm->Handle();
    e.key = 'A';
    e.x = 10;
    e.y = 10;
    backend.PostEvent(e);
  }
  application.RunUntil(500);
  EXPECT_FALSE(application.Terminated());
  EXPECT_TRUE(backend.ErrorBoxes().empty());
}

}  // namespace
}  // namespace vt
