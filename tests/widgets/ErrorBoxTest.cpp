#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/TTimer.h"

namespace vt::test {
namespace {

// The error box's text

TEST(ErrorBoxText, a_full_stop_follows_letters_digits_and_japanese) {
  for (const std::string text :
       {"abc", "Z", "123", "0", "ファイル /x/mirso9.jpg は開けません", "満員", "JPEG エラー #53",
        // Characters above "." that are not letters: "/", ":", "]", "~".
        "a/", "a:", "[a]", "~"}) {
    EXPECT_EQ(TApplication::ErrorBoxText(text), text + ".");
  }
}

TEST(ErrorBoxText, no_full_stop_after_punctuation_at_or_below_the_full_stop) {
  for (const std::string text : {"done.", "wow!", "(code 3)", "a-", "a,", "a ", "line\r\n", "#"}) {
    EXPECT_EQ(TApplication::ErrorBoxText(text), text);
  }
}

TEST(ErrorBoxText, an_empty_message_stays_empty) {
  EXPECT_EQ(TApplication::ErrorBoxText(""), "");
}

// Reports on a backend that records them

class RecordedErrorBoxTest : public WidgetTest {};

TEST_F(RecordedErrorBoxTest, title_is_the_application_title_and_text_the_message_with_its_stop) {
  m_app.SetTitle("Vantorel");
  TestForm* form = MakePlainForm(20, 20);
  form->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
    throw EFOpenError("ファイル /data/mirso7.jpg は開けません");
  };
  PostMouse(*form, EventType::MouseDown, 1, 1);
  Pump();
  ASSERT_EQ(m_backend.ErrorBoxes().size(), 1u);
  EXPECT_EQ(m_backend.ErrorBoxes()[0].title, "Vantorel");
  EXPECT_EQ(m_backend.ErrorBoxes()[0].text, "ファイル /data/mirso7.jpg は開けません.");
}

TEST_F(RecordedErrorBoxTest, errors_in_the_creation_and_show_handlers_are_reported) {
  TestForm* form = MakeForm(
      "object TestForm: TestForm\n"
      "  ClientWidth = 10\n"
      "  ClientHeight = 10\n"
      "  OnCreate = FormCreate\n"
      "  OnShow = FormShow\n"
      "end\n",
      [](TestForm& f) {
        f.RegisterHandler("FormCreate",
                          TNotifyEvent([](TObject*) { throw EInvalidOperation("作れません"); }));
        f.RegisterHandler("FormShow", TNotifyEvent([](TObject*) { throw EReadError("x-"); }));
      });
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(m_app.MainForm(), form);
  EXPECT_TRUE(form->HandleAllocated());
  ShowAndPaint();
  EXPECT_TRUE(form->Showing());
  ASSERT_EQ(m_backend.ErrorBoxes().size(), 2u);
  EXPECT_EQ(m_backend.ErrorBoxes()[0].text, "作れません.");
  EXPECT_EQ(m_backend.ErrorBoxes()[1].text, "x-");
}

// A backend that cannot record a box, so that the application shows a real one with its own
// event loop. It remembers the newest window, which is the box's while one is open.
class ModalBackend : public HeadlessBackend {
 public:
  using HeadlessBackend::HeadlessBackend;
  WindowHandle CreateWindow(const WindowRequest& request) override {
    m_newest = HeadlessBackend::CreateWindow(request);
    return m_newest;
  }
  bool RecordErrorBox(const std::string& title, const std::string& text) override {
    m_shown.emplace_back(title, text);
    return false;
  }
  WindowHandle m_newest = 0;
  std::vector<std::pair<std::string, std::string>> m_shown;
};

struct Pulse {
  int64_t time = 0;
  bool box_open = false;
  friend bool operator==(const Pulse&, const Pulse&) = default;
};

std::ostream& operator<<(std::ostream& out, const Pulse& p) {
  return out << p.time << (p.box_open ? " open" : " closed");
}

// A shown main form whose mouse handler fails once, and a 100 ms timer whose ticks run a
// script while they note whether the box is open.
class ModalErrorBoxTest : public WidgetTest {
 protected:
  ModalErrorBoxTest()
      : WidgetTest(std::make_unique<ModalBackend>(Size{640, 480})),
        m_modal(static_cast<ModalBackend&>(m_backend)) {}

  void SetUp() override {
    m_form = MakePlainForm(100, 80);
    m_form->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
      m_form_presses.emplace_back(x, y);
      if (m_form_presses.size() == 1) throw EInvalidOperation("壊れました");
    };
    m_form->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
      m_form_keys.push_back(key);
    };
    m_timer = m_form->CreateOwned<TTimer>(m_app);
    m_timer->SetInterval(100);
    m_timer->SetOnTimer([this](TObject*) {
      m_pulses.push_back({m_backend.NowMs(), m_app.ErrorBoxOpen()});
      // A box that nothing dismisses must not hang the test.
      if (m_pulses.size() > 100) m_app.Terminate();
      if (m_script) m_script(int(m_pulses.size()));
    });
    ShowAndPaint();
  }

  // Opens the box at once: the press reaches the form's failing handler.
  void FailNow() { PostMouse(*m_form, EventType::MouseDown, 3, 4); }
  WindowHandle Box() const { return m_modal.m_newest; }

  ModalBackend& m_modal;
  TestForm* m_form = nullptr;
  TTimer* m_timer = nullptr;
  std::vector<Pulse> m_pulses;
  std::function<void(int)> m_script;
  std::vector<std::pair<int, int>> m_form_presses;
  std::vector<uint16_t> m_form_keys;
};

TEST_F(ModalErrorBoxTest, ticks_keep_coming_while_the_box_is_open) {
  WindowRequest box_request;
  bool box_visible = false;
  m_script = [&](int n) {
    if (n == 3) {
      const HeadlessBackend::Window* w = m_backend.FindWindow(Box());
      ASSERT_NE(w, nullptr);
      box_request = w->request;
      box_visible = w->visible;
      PostKey(Box(), VK_RETURN);
    }
  };
  FailNow();
  m_app.RunUntil(500);
  EXPECT_EQ(m_pulses, (std::vector<Pulse>{
                          {100, true}, {200, true}, {300, true}, {400, false}, {500, false}}));
  ASSERT_EQ(m_modal.m_shown.size(), 1u);
  EXPECT_EQ(m_modal.m_shown[0].first, "Widget Test");
  EXPECT_EQ(m_modal.m_shown[0].second, "壊れました.");
  EXPECT_EQ(box_request.kind, WindowKind::Dialog);
  EXPECT_EQ(box_request.title, "Widget Test");
  EXPECT_TRUE(box_visible);
  // The box's window is gone once it is dismissed.
  EXPECT_EQ(m_backend.FindWindow(Box()), nullptr);
  EXPECT_FALSE(m_app.ErrorBoxOpen());
}

class DismissKeyTest : public ModalErrorBoxTest, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(DismissKeyTest, the_key_dismisses_the_box) {
  m_script = [&](int n) {
    if (n == 1) PostKey(Box(), 'A');  // other keys do not
    if (n == 2) PostKey(Box(), GetParam());
  };
  FailNow();
  m_app.RunUntil(400);
  EXPECT_EQ(m_pulses, (std::vector<Pulse>{{100, true}, {200, true}, {300, false}, {400, false}}));
  EXPECT_TRUE(m_form_keys.empty());
}

INSTANTIATE_TEST_SUITE_P(EnterEscapeSpace, DismissKeyTest,
                         ::testing::Values(uint16_t(VK_RETURN), uint16_t(VK_ESCAPE),
                                           uint16_t(VK_SPACE)));

TEST_F(ModalErrorBoxTest, an_error_in_a_tick_while_the_box_is_open_goes_to_standard_error_only) {
  m_script = [&](int n) {
    if (n == 2) throw EOutOfResources("二度目");
    if (n == 3) PostKey(Box(), VK_ESCAPE);
  };
  FailNow();
  ::testing::internal::CaptureStderr();
  m_app.RunUntil(400);
  std::string err = ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(m_modal.m_shown.size(), 1u);
  EXPECT_EQ(m_modal.m_shown[0].second, "壊れました.");
  EXPECT_NE(err.find("Widget Test: 壊れました.\n"), std::string::npos) << err;
  EXPECT_NE(err.find("Widget Test: 二度目.\n"), std::string::npos) << err;
  // The failing tick did not stop the timer or the box's loop.
  EXPECT_EQ(m_pulses, (std::vector<Pulse>{{100, true}, {200, true}, {300, true}, {400, false}}));
}

TEST_F(ModalErrorBoxTest, other_windows_take_no_input_while_the_box_is_open) {
  TestForm* other = nullptr;
  m_app.CreateForm(other);
  int other_presses = 0;
  other->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++other_presses; };
  other->HandleNeeded();
  other->Show();
  m_script = [&](int n) {
    if (n == 1) {
      PostMouse(*m_form, EventType::MouseDown, 10, 10);
      PostMouse(*m_form, EventType::MouseMove, 11, 11);
      PostMouse(*other, EventType::MouseDown, 1, 1);
      PostKey(*m_form, 'A');
    }
    // A key pressed in the form's window goes to the box, whichever window has the keyboard.
    if (n == 2) PostKey(*m_form, VK_ESCAPE);
  };
  FailNow();
  m_app.RunUntil(300);
  EXPECT_EQ(m_form_presses, (std::vector<std::pair<int, int>>{{3, 4}}));
  EXPECT_EQ(other_presses, 0);
  EXPECT_TRUE(m_form_keys.empty());
  EXPECT_EQ(m_pulses, (std::vector<Pulse>{{100, true}, {200, true}, {300, false}}));

  // Once the box is gone the windows take input again.
  PostMouse(*m_form, EventType::MouseDown, 10, 10);
  PostMouse(*other, EventType::MouseDown, 1, 1);
  PostKey(*m_form, 'A');
  Pump();
  EXPECT_EQ(m_form_presses, (std::vector<std::pair<int, int>>{{3, 4}, {10, 10}}));
  EXPECT_EQ(other_presses, 1);
  EXPECT_EQ(m_form_keys, (std::vector<uint16_t>{'A'}));
}

TEST_F(ModalErrorBoxTest, a_click_on_ok_dismisses_the_box) {
  m_script = [&](int n) {
    if (n != 1) return;
    // The OK button lies centred near the bottom of the box.
    const HeadlessBackend::Window* w = m_backend.FindWindow(Box());
    ASSERT_NE(w, nullptr);
    InputEvent e;
    e.window = Box();
    e.x = w->bounds.width / 2;
    e.y = w->bounds.height - 16 - 13;
    e.type = EventType::MouseDown;
    m_backend.PostEvent(e);
    e.type = EventType::MouseUp;
    m_backend.PostEvent(e);
  };
  FailNow();
  m_app.RunUntil(300);
  EXPECT_EQ(m_pulses, (std::vector<Pulse>{{100, true}, {200, false}, {300, false}}));
}

TEST_F(ModalErrorBoxTest, the_main_form_is_painted_again_after_the_box_closes) {
  m_script = [&](int n) {
    if (n != 1) return;
    m_backend.ResetPresentStats();
    PostKey(Box(), VK_RETURN);
  };
  FailNow();
  m_app.RunUntil(150);
  EXPECT_FALSE(m_app.ErrorBoxOpen());
  EXPECT_EQ(m_backend.PresentedPixels(), 100 * 80);
}

}  // namespace
}  // namespace vt::test
