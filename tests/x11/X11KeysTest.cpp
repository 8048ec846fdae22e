#include <gtest/gtest.h>

#include "X11TestSupport.h"
#include "widgets/x11/X11Keys.h"

namespace vt {
namespace {

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

}  // namespace
}  // namespace vt
