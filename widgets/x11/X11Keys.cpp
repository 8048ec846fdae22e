#include "widgets/x11/X11Keys.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace vt {

uint16_t X11Keys::VirtualKey(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return uint16_t('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return uint16_t('A' + (keysym - XK_A));
  if (keysym >= XK_0 && keysym <= XK_9) return uint16_t('0' + (keysym - XK_0));
  if (keysym >= XK_F1 && keysym <= XK_F24) return uint16_t(VK_F1 + (keysym - XK_F1));
  switch (keysym) {
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_KP_Tab:
      return VK_TAB;
    case XK_Return:
    case XK_KP_Enter:
      return VK_RETURN;
    case XK_Escape:
      return VK_ESCAPE;
    case XK_BackSpace:
      return VK_BACK;
    case XK_space:
    case XK_KP_Space:
      return VK_SPACE;
    case XK_Left:
    case XK_KP_Left:
      return VK_LEFT;
    case XK_Up:
    case XK_KP_Up:
      return VK_UP;
    case XK_Right:
    case XK_KP_Right:
      return VK_RIGHT;
    case XK_Down:
    case XK_KP_Down:
      return VK_DOWN;
    case XK_Home:
    case XK_KP_Home:
      return VK_HOME;
    case XK_End:
    case XK_KP_End:
      return VK_END;
    case XK_Prior:
    case XK_KP_Prior:
      return VK_PRIOR;
    case XK_Next:
    case XK_KP_Next:
      return VK_NEXT;
    case XK_Insert:
    case XK_KP_Insert:
      return VK_INSERT;
    case XK_Delete:
    case XK_KP_Delete:
      return VK_DELETE;
    case XK_Shift_L:
    case XK_Shift_R:
      return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R:
      return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
      return VK_MENU;
    case XK_Super_L:
      return VK_LWIN;
    case XK_Super_R:
      return VK_RWIN;
    case XK_Menu:
      return VK_APPS;
    case XK_Pause:
      return VK_PAUSE;
    case XK_Caps_Lock:
      return VK_CAPITAL;
    default:
      return VK_OEM;
  }
}

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

TShiftState X11Keys::OwnShiftFlag(uint16_t virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT:
      return ssShift;
    case VK_CONTROL:
      return ssCtrl;
    case VK_MENU:
      return ssAlt;
    default:
      return 0;
  }
}

}  // namespace vt
