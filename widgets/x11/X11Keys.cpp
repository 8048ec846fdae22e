#include "widgets/x11/X11Keys.h"

#include <X11/X.h>

namespace vt {

TShiftState X11Keys::ShiftState(unsigned int state) {
  TShiftState shift = 0;
  if (state & ShiftMask) shift |= ssShift;
  if (state & ControlMask) shift |= ssCtrl;
  if (state & Mod1Mask) shift |= ssAlt;
  if (state & Button1Mask) shift |= ssLeft;
  if (state & Button2Mask) shift |= ssMiddle;
  if (state & Button3Mask) shift |= ssRight;
  return shift;
}

}  // namespace vt
