// The key-symbol table of the Linux backends, in xkbcommon's names.
#include "widgets/linux/XkbKeySyms.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace vt {

uint16_t XkbKeySyms::VirtualKey(uint32_t keysym) {
  if (keysym >= XKB_KEY_a && keysym <= XKB_KEY_z) return uint16_t('A' + (keysym - XKB_KEY_a));
  if (keysym >= XKB_KEY_A && keysym <= XKB_KEY_Z) return uint16_t('A' + (keysym - XKB_KEY_A));
  if (keysym >= XKB_KEY_0 && keysym <= XKB_KEY_9) return uint16_t('0' + (keysym - XKB_KEY_0));
  if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F24) return uint16_t(VK_F1 + (keysym - XKB_KEY_F1));
  switch (keysym) {
    case XKB_KEY_Tab:
    case XKB_KEY_ISO_Left_Tab:
    case XKB_KEY_KP_Tab:
      return VK_TAB;
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
      return VK_RETURN;
    case XKB_KEY_Escape:
      return VK_ESCAPE;
    case XKB_KEY_BackSpace:
      return VK_BACK;
    case XKB_KEY_space:
    case XKB_KEY_KP_Space:
      return VK_SPACE;
    case XKB_KEY_Left:
    case XKB_KEY_KP_Left:
      return VK_LEFT;
    case XKB_KEY_Up:
    case XKB_KEY_KP_Up:
      return VK_UP;
    case XKB_KEY_Right:
    case XKB_KEY_KP_Right:
      return VK_RIGHT;
    case XKB_KEY_Down:
    case XKB_KEY_KP_Down:
      return VK_DOWN;
    case XKB_KEY_Home:
    case XKB_KEY_KP_Home:
      return VK_HOME;
    case XKB_KEY_End:
    case XKB_KEY_KP_End:
      return VK_END;
    case XKB_KEY_Prior:
    case XKB_KEY_KP_Prior:
      return VK_PRIOR;
    case XKB_KEY_Next:
    case XKB_KEY_KP_Next:
      return VK_NEXT;
    case XKB_KEY_Insert:
    case XKB_KEY_KP_Insert:
      return VK_INSERT;
    case XKB_KEY_Delete:
    case XKB_KEY_KP_Delete:
      return VK_DELETE;
    case XKB_KEY_Shift_L:
    case XKB_KEY_Shift_R:
      return VK_SHIFT;
    case XKB_KEY_Control_L:
    case XKB_KEY_Control_R:
      return VK_CONTROL;
    case XKB_KEY_Alt_L:
    case XKB_KEY_Alt_R:
    case XKB_KEY_Meta_L:
    case XKB_KEY_Meta_R:
    case XKB_KEY_ISO_Level3_Shift:
      return VK_MENU;
    case XKB_KEY_Super_L:
      return VK_LWIN;
    case XKB_KEY_Super_R:
      return VK_RWIN;
    case XKB_KEY_Menu:
      return VK_APPS;
    case XKB_KEY_Pause:
      return VK_PAUSE;
    case XKB_KEY_Caps_Lock:
      return VK_CAPITAL;
    default:
      return VK_OEM;
  }
}

TShiftState XkbKeySyms::OwnShiftFlag(uint16_t virtual_key) {
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
