// Virtual keys and shift states for the Win32 backend:
// - the virtual key of a key message, unchanged
// - shift states from GetKeyState and from a mouse message's MK_ flags
#include "widgets/win32/Win32Keys.h"

#include "widgets/windows/Win32Api.h"

namespace vt {

namespace {

bool IsDown(int virtual_key) {
  return GetKeyState(virtual_key) < 0;
}

}  // namespace

uint16_t Win32Keys::VirtualKey(uintptr_t wparam) {
  return uint16_t(wparam & 0xFFFF);
}

TShiftState Win32Keys::KeyShiftState() {
  TShiftState shift = 0;
  if (IsDown(VK_SHIFT)) shift |= ssShift;
  if (IsDown(VK_CONTROL)) shift |= ssCtrl;
  if (IsDown(VK_MENU)) shift |= ssAlt;
  if (IsDown(VK_LBUTTON)) shift |= ssLeft;
  if (IsDown(VK_MBUTTON)) shift |= ssMiddle;
  if (IsDown(VK_RBUTTON)) shift |= ssRight;
  return shift;
}

TShiftState Win32Keys::MouseShiftState(uintptr_t wparam) {
  TShiftState shift = 0;
  if (wparam & MK_SHIFT) shift |= ssShift;
  if (wparam & MK_CONTROL) shift |= ssCtrl;
  if (IsDown(VK_MENU)) shift |= ssAlt;
  if (wparam & MK_LBUTTON) shift |= ssLeft;
  if (wparam & MK_MBUTTON) shift |= ssMiddle;
  if (wparam & MK_RBUTTON) shift |= ssRight;
  return shift;
}

}  // namespace vt
