#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "X11TestSupport.h"
#include "widgets/x11/X11Keys.h"

namespace vt {
namespace {

// Each keysym must give its virtual key.
void ExpectKeys(std::initializer_list<std::pair<unsigned long, int>> cases) {
  for (const auto& [keysym, key] : cases) {
    EXPECT_EQ(X11Keys::VirtualKey(keysym), key) << "keysym 0x" << std::hex << keysym;
  }
}

TEST(X11Keys, letters_of_either_case_give_the_capital_letter) {
  ExpectKeys({{XK_a, 'A'}, {XK_z, 'Z'}, {XK_A, 'A'}, {XK_Q, 'Q'}});
}

TEST(X11Keys, digits_give_the_digit_character) {
  ExpectKeys({{XK_0, '0'}, {XK_5, '5'}, {XK_9, '9'}});
}

TEST(X11Keys, function_keys_run_from_f1_to_f24) {
  ExpectKeys({{XK_F1, VK_F1}, {XK_F10, VK_F10}, {XK_F12, VK_F1 + 11}, {XK_F24, VK_F1 + 23}});
}

TEST(X11Keys, navigation_keys_and_their_keypad_twins_share_a_code) {
  ExpectKeys({{XK_Tab, VK_TAB},         {XK_ISO_Left_Tab, VK_TAB}, {XK_Return, VK_RETURN},
              {XK_KP_Enter, VK_RETURN}, {XK_Escape, VK_ESCAPE},    {XK_space, VK_SPACE},
              {XK_BackSpace, VK_BACK},  {XK_Left, VK_LEFT},        {XK_KP_Left, VK_LEFT},
              {XK_Up, VK_UP},           {XK_KP_Up, VK_UP},         {XK_Right, VK_RIGHT},
              {XK_KP_Right, VK_RIGHT},  {XK_Down, VK_DOWN},        {XK_KP_Down, VK_DOWN},
              {XK_Home, VK_HOME},       {XK_End, VK_END},          {XK_Prior, VK_PRIOR},
              {XK_Next, VK_NEXT},       {XK_Insert, VK_INSERT},    {XK_Delete, VK_DELETE}});
}

TEST(X11Keys, modifier_keys_alone_have_their_own_codes) {
  ExpectKeys({{XK_Shift_L, VK_SHIFT},
              {XK_Shift_R, VK_SHIFT},
              {XK_Control_L, VK_CONTROL},
              {XK_Control_R, VK_CONTROL},
              {XK_Alt_L, VK_MENU},
              {XK_Alt_R, VK_MENU},
              {XK_Meta_L, VK_MENU},
              {XK_Super_L, VK_LWIN},
              {XK_Super_R, VK_RWIN}});
}

TEST(X11Keys, keys_without_a_code_of_their_own_are_not_lost) {
  ExpectKeys({{XK_bracketleft, VK_OEM}, {XK_Kanji, VK_OEM}, {NoSymbol, VK_OEM}});
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
