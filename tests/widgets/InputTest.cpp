#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/TBitBtn.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"

namespace vt::test {
namespace {

// One handler call as the tests see it.
struct Call {
  std::string who;
  std::string what;
  int x = 0;
  int y = 0;
  TMouseButton button = TMouseButton::mbLeft;
  TShiftState shift = 0;
  friend bool operator==(const Call&, const Call&) = default;
};

std::ostream& operator<<(std::ostream& out, const Call& c) {
  return out << c.who << " " << c.what << " (" << c.x << ", " << c.y << ") button " << int(c.button)
             << " shift " << c.shift;
}

// A 100 x 80 form with a picture, a label over it and a button beside them. Every handler
// writes down its call.
class InputTest : public WidgetTest {
 protected:
  void SetUp() override {
    m_form = MakeForm(
        "object TestForm: TestForm\n"
        "  BorderStyle = bsNone\n"
        "  ClientWidth = 100\n"
        "  ClientHeight = 80\n"
        "  Color = clWhite\n"
        "  KeyPreview = True\n"
        "end\n");
    Listen(m_form, "form");
    m_form->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) {
      m_calls.push_back({"form", "key", key, 0, TMouseButton::mbLeft, shift});
    };
    m_picture = m_form->CreateOwned<TImage>();
    m_picture->SetParent(m_form);
    m_picture->SetBounds(0, 0, 60, 60);
    Listen(m_picture, "picture");
    m_label = m_form->CreateOwned<TLabel>();
    m_label->SetParent(m_form);
    m_label->SetAutoSize(false);
    m_label->SetBounds(20, 20, 30, 30);
    Listen(m_label, "label");
    m_button = AddButton({70, 50, 25, 20}, "button");
  }

  void Listen(TControl* control, const std::string& who) {
    control->OnMouseDown = [this, who](TObject*, TMouseButton button, TShiftState shift, int x,
                                       int y) {
      m_calls.push_back({who, "down", x, y, button, shift});
    };
    control->OnMouseUp = [this, who](TObject*, TMouseButton button, TShiftState shift, int x,
                                     int y) {
      m_calls.push_back({who, "up", x, y, button, shift});
    };
    control->OnMouseMove = [this, who](TObject*, TShiftState shift, int x, int y) {
      m_calls.push_back({who, "move", x, y, TMouseButton::mbLeft, shift});
    };
  }

  TBitBtn* AddButton(const Rect& bounds, const std::string& who) {
    auto* button = m_form->CreateOwned<TBitBtn>();
    button->SetName(who);
    button->SetParent(m_form);
    button->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    button->OnClick = [this, who](TObject*) { m_calls.push_back({who, "click"}); };
    return button;
  }

  std::vector<Call> Click(int x, int y, TMouseButton button = TMouseButton::mbLeft) {
    m_calls.clear();
    PostMouse(*m_form, EventType::MouseDown, x, y, button);
    Pump();
    return m_calls;
  }
  std::vector<Call> Mouse(EventType type, int x, int y) {
    m_calls.clear();
    PostMouse(*m_form, type, x, y);
    Pump();
    return m_calls;
  }
  std::vector<Call> Key(uint16_t key, TShiftState shift = 0) {
    m_calls.clear();
    PostKey(*m_form, key, shift);
    Pump();
    return m_calls;
  }
  static std::vector<Call> KeyReached(uint16_t key, TShiftState shift = 0) {
    return {{"form", "key", key, 0, TMouseButton::mbLeft, shift}};
  }
  static std::vector<Call> Nothing() { return {}; }

  TestForm* m_form = nullptr;
  TImage* m_picture = nullptr;
  TLabel* m_label = nullptr;
  TBitBtn* m_button = nullptr;
  std::vector<Call> m_calls;
};

// Mouse routing

TEST_F(InputTest, mouse_down_goes_to_the_topmost_widget_in_its_own_coordinates) {
  EXPECT_EQ(Click(25, 30), (std::vector<Call>{{"label", "down", 5, 10}}));
  EXPECT_EQ(Click(5, 7), (std::vector<Call>{{"picture", "down", 5, 7}}));
  EXPECT_EQ(Click(59, 59), (std::vector<Call>{{"picture", "down", 59, 59}}));
  EXPECT_EQ(Click(60, 10), (std::vector<Call>{{"form", "down", 60, 10}}));
}

TEST_F(InputTest, moves_and_releases_are_routed_like_presses) {
  EXPECT_EQ(Mouse(EventType::MouseMove, 49, 49), (std::vector<Call>{{"label", "move", 29, 29}}));
  EXPECT_EQ(Mouse(EventType::MouseMove, 50, 50), (std::vector<Call>{{"picture", "move", 50, 50}}));
  EXPECT_EQ(Mouse(EventType::MouseUp, 65, 5), (std::vector<Call>{{"form", "up", 65, 5}}));
  EXPECT_EQ(Mouse(EventType::MouseUp, 20, 20), (std::vector<Call>{{"label", "up", 0, 0}}));
}

TEST_F(InputTest, every_mouse_button_gives_a_press) {
  EXPECT_EQ(Click(30, 30, TMouseButton::mbRight),
            (std::vector<Call>{{"label", "down", 10, 10, TMouseButton::mbRight}}));
  EXPECT_EQ(Click(90, 5, TMouseButton::mbMiddle),
            (std::vector<Call>{{"form", "down", 90, 5, TMouseButton::mbMiddle}}));
}

TEST_F(InputTest, the_shift_state_comes_with_the_event) {
  m_calls.clear();
  PostMouse(*m_form, EventType::MouseDown, 1, 2, TMouseButton::mbLeft, ssShift | ssLeft);
  Pump();
  EXPECT_EQ(m_calls,
            (std::vector<Call>{{"picture", "down", 1, 2, TMouseButton::mbLeft, ssShift | ssLeft}}));
}

TEST_F(InputTest, a_disabled_label_is_passed_over) {
  m_label->SetEnabled(false);
  EXPECT_EQ(Click(25, 30), (std::vector<Call>{{"picture", "down", 25, 30}}));
  m_picture->SetEnabled(false);
  EXPECT_EQ(Click(25, 30), (std::vector<Call>{{"form", "down", 25, 30}}));
  EXPECT_EQ(Mouse(EventType::MouseMove, 21, 22), (std::vector<Call>{{"form", "move", 21, 22}}));
  m_label->SetEnabled(true);
  EXPECT_EQ(Click(25, 30), (std::vector<Call>{{"label", "down", 5, 10}}));
}

TEST_F(InputTest, a_hidden_widget_is_passed_over) {
  m_label->SetVisible(false);
  EXPECT_EQ(Click(25, 30), (std::vector<Call>{{"picture", "down", 25, 30}}));
  m_picture->SetVisible(false);
  EXPECT_EQ(Click(25, 30), (std::vector<Call>{{"form", "down", 25, 30}}));
}

TEST_F(InputTest, a_widget_without_a_handler_lets_the_event_go_unanswered) {
  m_label->OnMouseDown = nullptr;
  EXPECT_EQ(Click(25, 30), Nothing());
  // Its other handlers still answer.
  EXPECT_EQ(Mouse(EventType::MouseUp, 25, 30), (std::vector<Call>{{"label", "up", 5, 10}}));
}

TEST_F(InputTest, a_transparent_label_takes_events_over_its_whole_rectangle) {
  m_label->SetTransparent(true);
  m_label->SetCaption("");
  EXPECT_EQ(Click(48, 48), (std::vector<Call>{{"label", "down", 28, 28}}));
}

TEST_F(InputTest, an_enabled_button_takes_the_press_and_the_focus) {
  TBitBtn* over = AddButton({10, 10, 20, 20}, "over");
  Listen(over, "over");
  // A label made after the button still lies beneath it.
  auto* later = m_form->CreateOwned<TLabel>();
  later->SetParent(m_form);
  later->SetAutoSize(false);
  later->SetBounds(5, 5, 40, 40);
  Listen(later, "later");
  ShowAndPaint();
  const Bitmap32& frame = m_form->Frame();
  ASSERT_EQ(frame.Pixel(13, 13), clBtnFace);

  EXPECT_EQ(Click(15, 12), (std::vector<Call>{{"over", "down", 5, 2}}));
  EXPECT_EQ(m_form->ActiveControl(), over);
  EXPECT_TRUE(over->Focused());
  // Pump painted the focus frame.
  EXPECT_EQ(frame.Pixel(13, 13), clWindowText);
  EXPECT_EQ(frame.Pixel(14, 13), clBtnFace);
  EXPECT_EQ(frame.Pixel(15, 13), clWindowText);

  // A press on another button moves the focus and its frame.
  EXPECT_EQ(Click(80, 55), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), m_button);
  EXPECT_EQ(frame.Pixel(13, 13), clBtnFace);
  EXPECT_EQ(frame.Pixel(73, 53), clWindowText);
}

TEST_F(InputTest, a_disabled_button_passes_the_press_to_what_lies_beneath) {
  TBitBtn* over = AddButton({10, 10, 20, 20}, "over");
  Listen(over, "over");
  over->SetEnabled(false);
  EXPECT_EQ(Click(25, 22), (std::vector<Call>{{"label", "down", 5, 2}}));
  EXPECT_EQ(Click(12, 12), (std::vector<Call>{{"picture", "down", 12, 12}}));
  EXPECT_EQ(m_form->ActiveControl(), nullptr);
  m_button->SetEnabled(false);
  EXPECT_EQ(Click(80, 55), (std::vector<Call>{{"form", "down", 80, 55}}));
  EXPECT_EQ(m_form->ActiveControl(), nullptr);
}

// Dialog navigation and key handling

TEST_F(InputTest, tab_without_a_focusable_button_is_consumed) {
  m_button->SetEnabled(false);
  AddButton({0, 70, 10, 10}, "hidden")->SetVisible(false);
  EXPECT_EQ(Key(VK_TAB), Nothing());
  EXPECT_EQ(Key(VK_TAB, ssShift), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), nullptr);
}

TEST_F(InputTest, tab_moves_the_focus_to_a_button_and_draws_its_focus_frame) {
  ShowAndPaint();
  const Bitmap32& frame = m_form->Frame();
  ASSERT_EQ(frame.Pixel(73, 53), clBtnFace);
  EXPECT_EQ(Key(VK_TAB), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), m_button);
  EXPECT_EQ(frame.Pixel(73, 53), clWindowText);
  EXPECT_EQ(frame.Pixel(74, 53), clBtnFace);
  EXPECT_EQ(frame.Pixel(73, 55), clWindowText);
}

TEST_F(InputTest, tab_cycles_through_enabled_visible_buttons_in_their_order) {
  TBitBtn* second = AddButton({0, 60, 10, 10}, "second");
  TBitBtn* dark = AddButton({10, 60, 10, 10}, "dark");
  TBitBtn* hidden = AddButton({20, 60, 10, 10}, "hidden");
  TBitBtn* third = AddButton({30, 60, 10, 10}, "third");
  dark->SetEnabled(false);
  hidden->SetVisible(false);
  std::vector<TBitBtn*> order;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Key(VK_TAB), Nothing());
    order.push_back(m_form->ActiveControl());
  }
  EXPECT_EQ(order, (std::vector<TBitBtn*>{m_button, second, third, m_button}));
  EXPECT_EQ(Key(VK_TAB, ssShift), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), third);
  EXPECT_EQ(Key(VK_TAB, ssShift), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), second);
}

TEST_F(InputTest, tab_with_ctrl_or_alt_is_not_navigation) {
  EXPECT_EQ(Key(VK_TAB, ssCtrl), KeyReached(VK_TAB, ssCtrl));
  EXPECT_EQ(Key(VK_TAB, ssAlt), KeyReached(VK_TAB, ssAlt));
  EXPECT_EQ(m_form->ActiveControl(), nullptr);
}

TEST_F(InputTest, arrows_are_consumed_only_while_a_button_has_the_focus) {
  for (uint16_t arrow : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) {
    EXPECT_EQ(Key(arrow), KeyReached(arrow));
  }
  TBitBtn* second = AddButton({0, 60, 10, 10}, "second");
  Key(VK_TAB);
  ASSERT_EQ(m_form->ActiveControl(), m_button);
  EXPECT_EQ(Key(VK_RIGHT), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), second);
  EXPECT_EQ(Key(VK_DOWN), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), m_button);
  EXPECT_EQ(Key(VK_LEFT), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), second);
  EXPECT_EQ(Key(VK_UP), Nothing());
  EXPECT_EQ(m_form->ActiveControl(), m_button);
}

TEST_F(InputTest, enter_is_consumed_only_as_a_click_on_the_focused_enabled_button) {
  EXPECT_EQ(Key(VK_RETURN), KeyReached(VK_RETURN));
  Key(VK_TAB);
  EXPECT_EQ(Key(VK_RETURN), (std::vector<Call>{{"button", "click"}}));
  // With Shift, Ctrl or Alt it is an ordinary key.
  EXPECT_EQ(Key(VK_RETURN, ssShift), KeyReached(VK_RETURN, ssShift));
  EXPECT_EQ(Key(VK_RETURN, ssCtrl), KeyReached(VK_RETURN, ssCtrl));
  EXPECT_EQ(Key(VK_RETURN, ssAlt), KeyReached(VK_RETURN, ssAlt));
}

TEST_F(InputTest, escape_reaches_the_key_handler_even_with_a_focused_button) {
  EXPECT_EQ(Key(VK_ESCAPE), KeyReached(VK_ESCAPE));
  Key(VK_TAB);
  EXPECT_EQ(Key(VK_ESCAPE), KeyReached(VK_ESCAPE));
  EXPECT_EQ(m_form->ActiveControl(), m_button);
}

TEST_F(InputTest, modifier_and_system_keys_alone_reach_the_key_handler) {
  EXPECT_EQ(Key(VK_SHIFT, ssShift), KeyReached(VK_SHIFT, ssShift));
  EXPECT_EQ(Key(VK_CONTROL, ssCtrl), KeyReached(VK_CONTROL, ssCtrl));
  EXPECT_EQ(Key(VK_MENU, ssAlt), KeyReached(VK_MENU, ssAlt));
  EXPECT_EQ(Key(VK_F10), KeyReached(VK_F10));
  EXPECT_EQ(Key('A', ssAlt), KeyReached('A', ssAlt));
  Key(VK_TAB);
  EXPECT_EQ(Key(VK_SHIFT, ssShift), KeyReached(VK_SHIFT, ssShift));
  EXPECT_EQ(Key(VK_SPACE), KeyReached(VK_SPACE));
}

TEST_F(InputTest, a_focused_button_that_goes_dark_gives_up_the_focus) {
  Key(VK_TAB);
  ASSERT_EQ(m_form->ActiveControl(), m_button);
  EXPECT_EQ(Key(VK_LEFT), Nothing());
  m_button->SetEnabled(false);
  EXPECT_EQ(m_form->ActiveControl(), nullptr);
  EXPECT_FALSE(m_button->Focused());
  EXPECT_EQ(Key(VK_LEFT), KeyReached(VK_LEFT));
  EXPECT_EQ(Key(VK_RETURN), KeyReached(VK_RETURN));
}

TEST_F(InputTest, a_focused_button_that_is_hidden_gives_up_the_focus) {
  Key(VK_TAB);
  m_button->SetVisible(false);
  EXPECT_EQ(m_form->ActiveControl(), nullptr);
  EXPECT_EQ(Key(VK_UP), KeyReached(VK_UP));
}

TEST_F(InputTest, without_key_preview_the_focused_button_takes_the_keys) {
  m_form->SetKeyPreview(false);
  EXPECT_EQ(Key('X'), KeyReached('X'));
  Key(VK_TAB);
  ASSERT_EQ(m_form->ActiveControl(), m_button);
  EXPECT_EQ(Key('X'), Nothing());
  EXPECT_EQ(Key(VK_ESCAPE), Nothing());
}

TEST_F(InputTest, an_error_in_an_input_handler_is_reported_and_input_goes_on) {
  m_picture->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
    throw EInvalidOperation("押せません");
  };
  Click(5, 5);
  ASSERT_EQ(m_backend.ErrorBoxes().size(), 1u);
  EXPECT_EQ(m_backend.ErrorBoxes()[0].text, "押せません.");
  EXPECT_EQ(m_backend.ErrorBoxes()[0].title, "Widget Test");
  EXPECT_EQ(Click(25, 30), (std::vector<Call>{{"label", "down", 5, 10}}));
}

}  // namespace
}  // namespace vt::test
