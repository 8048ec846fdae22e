#include <gtest/gtest.h>

#include "X11TestSupport.h"
#include "widgets/x11/X11Keys.h"

namespace vt {
namespace {

TEST(X11Keys, letters_of_either_case_give_the_capital_letter) {
  EXPECT_EQ(X11Keys::VirtualKey(XK_a), 'A');
  EXPECT_EQ(X11Keys::VirtualKey(XK_z), 'Z');
  EXPECT_EQ(X11Keys::VirtualKey(XK_A), 'A');
  EXPECT_EQ(X11Keys::VirtualKey(XK_Q), 'Q');
}

TEST(X11Keys, digits_give_the_digit_character) {
  EXPECT_EQ(X11Keys::VirtualKey(XK_0), '0');
  EXPECT_EQ(X11Keys::VirtualKey(XK_5), '5');
  EXPECT_EQ(X11Keys::VirtualKey(XK_9), '9');
}

TEST(X11Keys, function_keys_run_from_f1_to_f24) {
  EXPECT_EQ(X11Keys::VirtualKey(XK_F1), VK_F1);
  EXPECT_EQ(X11Keys::VirtualKey(XK_F10), VK_F10);
  EXPECT_EQ(X11Keys::VirtualKey(XK_F12), VK_F1 + 11);
  EXPECT_EQ(X11Keys::VirtualKey(XK_F24), VK_F1 + 23);
}

TEST(X11Keys, navigation_keys_and_their_keypad_twins_share_a_code) {
  EXPECT_EQ(X11Keys::VirtualKey(XK_Tab), VK_TAB);
  EXPECT_EQ(X11Keys::VirtualKey(XK_ISO_Left_Tab), VK_TAB);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Return), VK_RETURN);
  EXPECT_EQ(X11Keys::VirtualKey(XK_KP_Enter), VK_RETURN);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Escape), VK_ESCAPE);
  EXPECT_EQ(X11Keys::VirtualKey(XK_space), VK_SPACE);
  EXPECT_EQ(X11Keys::VirtualKey(XK_BackSpace), VK_BACK);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Left), VK_LEFT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_KP_Left), VK_LEFT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Up), VK_UP);
  EXPECT_EQ(X11Keys::VirtualKey(XK_KP_Up), VK_UP);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Right), VK_RIGHT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_KP_Right), VK_RIGHT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Down), VK_DOWN);
  EXPECT_EQ(X11Keys::VirtualKey(XK_KP_Down), VK_DOWN);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Home), VK_HOME);
  EXPECT_EQ(X11Keys::VirtualKey(XK_End), VK_END);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Prior), VK_PRIOR);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Next), VK_NEXT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Insert), VK_INSERT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Delete), VK_DELETE);
}

TEST(X11Keys, modifier_keys_alone_have_their_own_codes) {
  EXPECT_EQ(X11Keys::VirtualKey(XK_Shift_L), VK_SHIFT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Shift_R), VK_SHIFT);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Control_L), VK_CONTROL);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Control_R), VK_CONTROL);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Alt_L), VK_MENU);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Alt_R), VK_MENU);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Meta_L), VK_MENU);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Super_L), VK_LWIN);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Super_R), VK_RWIN);
}

TEST(X11Keys, keys_without_a_code_of_their_own_are_not_lost) {
  EXPECT_EQ(X11Keys::VirtualKey(XK_bracketleft), VK_OEM);
  EXPECT_EQ(X11Keys::VirtualKey(XK_Kanji), VK_OEM);
  EXPECT_EQ(X11Keys::VirtualKey(NoSymbol), VK_OEM);
}

TEST(X11Keys, state_bits_become_shift_flags) {
  EXPECT_EQ(X11Keys::ShiftState(0), 0u);
  EXPECT_EQ(X11Keys::ShiftState(ShiftMask), ssShift);
  EXPECT_EQ(X11Keys::ShiftState(ControlMask | Mod1Mask), ssCtrl | ssAlt);
  EXPECT_EQ(X11Keys::ShiftState(Button1Mask), ssLeft);
  // X's button 2 is the middle one, button 3 the right one.
  EXPECT_EQ(X11Keys::ShiftState(Button2Mask), ssMiddle);
  EXPECT_EQ(X11Keys::ShiftState(Button3Mask), ssRight);
  // Num Lock (Mod2) and Caps Lock are no shift flags.
  EXPECT_EQ(X11Keys::ShiftState(Mod2Mask | LockMask), 0u);
}

TEST(X11Keys, a_modifier_key_press_carries_its_own_flag) {
  EXPECT_EQ(X11Keys::OwnShiftFlag(VK_SHIFT), ssShift);
  EXPECT_EQ(X11Keys::OwnShiftFlag(VK_CONTROL), ssCtrl);
  EXPECT_EQ(X11Keys::OwnShiftFlag(VK_MENU), ssAlt);
  EXPECT_EQ(X11Keys::OwnShiftFlag('A'), 0u);
}

}  // namespace
}  // namespace vt
