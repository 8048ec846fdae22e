#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <initializer_list>
#include <utility>

#include "widgets/linux/XkbKeySyms.h"

namespace vt {
namespace {

// Each keysym must give its virtual key.
void ExpectKeys(std::initializer_list<std::pair<unsigned long, int>> cases) {
  for (const auto& [keysym, key] : cases) {
    EXPECT_EQ(XkbKeySyms::VirtualKey(keysym), key) << "keysym 0x" << std::hex << keysym;
  }
}

TEST(XkbKeySyms, letters_of_either_case_give_the_capital_letter) {
  ExpectKeys({{XKB_KEY_a, 'A'}, {XKB_KEY_z, 'Z'}, {XKB_KEY_A, 'A'}, {XKB_KEY_Q, 'Q'}});
}

TEST(XkbKeySyms, digits_give_the_digit_character) {
  ExpectKeys({{XKB_KEY_0, '0'}, {XKB_KEY_5, '5'}, {XKB_KEY_9, '9'}});
}

TEST(XkbKeySyms, function_keys_run_from_f1_to_f24) {
  ExpectKeys({{XKB_KEY_F1, VK_F1},
              {XKB_KEY_F10, VK_F10},
              {XKB_KEY_F12, VK_F1 + 11},
              {XKB_KEY_F24, VK_F1 + 23}});
}

TEST(XkbKeySyms, navigation_keys_and_their_keypad_twins_share_a_code) {
  ExpectKeys(
      {{XKB_KEY_Tab, VK_TAB},         {XKB_KEY_ISO_Left_Tab, VK_TAB}, {XKB_KEY_Return, VK_RETURN},
       {XKB_KEY_KP_Enter, VK_RETURN}, {XKB_KEY_Escape, VK_ESCAPE},    {XKB_KEY_space, VK_SPACE},
       {XKB_KEY_BackSpace, VK_BACK},  {XKB_KEY_Left, VK_LEFT},        {XKB_KEY_KP_Left, VK_LEFT},
       {XKB_KEY_Up, VK_UP},           {XKB_KEY_KP_Up, VK_UP},         {XKB_KEY_Right, VK_RIGHT},
       {XKB_KEY_KP_Right, VK_RIGHT},  {XKB_KEY_Down, VK_DOWN},        {XKB_KEY_KP_Down, VK_DOWN},
       {XKB_KEY_Home, VK_HOME},       {XKB_KEY_End, VK_END},          {XKB_KEY_Prior, VK_PRIOR},
       {XKB_KEY_Next, VK_NEXT},       {XKB_KEY_Insert, VK_INSERT},    {XKB_KEY_Delete, VK_DELETE}});
}

TEST(XkbKeySyms, modifier_keys_alone_have_their_own_codes) {
  ExpectKeys({{XKB_KEY_Shift_L, VK_SHIFT},
              {XKB_KEY_Shift_R, VK_SHIFT},
              {XKB_KEY_Control_L, VK_CONTROL},
              {XKB_KEY_Control_R, VK_CONTROL},
              {XKB_KEY_Alt_L, VK_MENU},
              {XKB_KEY_Alt_R, VK_MENU},
              {XKB_KEY_Meta_L, VK_MENU},
              {XKB_KEY_Super_L, VK_LWIN},
              {XKB_KEY_Super_R, VK_RWIN}});
}

TEST(XkbKeySyms, keys_without_a_code_of_their_own_are_not_lost) {
  ExpectKeys({{XKB_KEY_bracketleft, VK_OEM}, {XKB_KEY_Kanji, VK_OEM}, {XKB_KEY_NoSymbol, VK_OEM}});
}

TEST(XkbKeySyms, a_modifier_key_press_carries_its_own_flag) {
  EXPECT_EQ(XkbKeySyms::OwnShiftFlag(VK_SHIFT), ssShift);
  EXPECT_EQ(XkbKeySyms::OwnShiftFlag(VK_CONTROL), ssCtrl);
  EXPECT_EQ(XkbKeySyms::OwnShiftFlag(VK_MENU), ssAlt);
  EXPECT_EQ(XkbKeySyms::OwnShiftFlag('A'), 0u);
}

}  // namespace
}  // namespace vt
