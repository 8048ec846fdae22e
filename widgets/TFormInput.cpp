// The form's input and focus:
// - mouse input passed to the topmost widget under the pointer that takes it, else the form;
// - Tab, Shift+Tab and the arrows moving the focus among the buttons, Return clicking the
//   focused one, other keys to the form's own handler.
#include <algorithm>
#include <vector>

#include "widgets/TBitBtn.h"
#include "widgets/TForm.h"

namespace vt {

void TForm::SetActiveControl(TBitBtn* control) {
  if (control == m_active_control) return;
  TBitBtn* old = m_active_control;
  m_active_control = control;
  if (old) old->Invalidate();
  if (control) control->Invalidate();
}

TControl* TForm::ControlAtPos(int x, int y) const {
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() && c->Visible() && c->Enabled() && c->BoundsRect().Contains(x, y)) return c;
  }
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
    TControl* c = *it;
    if (!c->IsWindowed() && c->Visible() && c->Enabled() && c->BoundsRect().Contains(x, y))
      return c;
  }
  return nullptr;
}

void TForm::DispatchMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TControl* c = ControlAtPos(x, y);
  if (!c) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
    return;
  }
  if (c->IsWindowed()) SetActiveControl(static_cast<TBitBtn*>(c));
  if (c->OnMouseDown) c->OnMouseDown(c, button, shift, x - c->Left(), y - c->Top());
}

void TForm::DispatchMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TControl* c = ControlAtPos(x, y);
  if (!c) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
    return;
  }
  if (c->OnMouseUp) c->OnMouseUp(c, button, shift, x - c->Left(), y - c->Top());
}

void TForm::DispatchMouseMove(TShiftState shift, int x, int y) {
  TControl* c = ControlAtPos(x, y);
  if (!c) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
    return;
  }
  if (c->OnMouseMove) c->OnMouseMove(c, shift, x - c->Left(), y - c->Top());
}

TControl* TForm::FindNextFocusable(bool forward) const {
  std::vector<TControl*> focusable;
  for (TControl* c : m_controls) {
    if (c->CanFocus()) focusable.push_back(c);
  }
  if (focusable.empty()) return nullptr;
  auto it = std::find(focusable.begin(), focusable.end(), static_cast<TControl*>(m_active_control));
  if (it == focusable.end()) return forward ? focusable.front() : focusable.back();
  size_t i = size_t(it - focusable.begin());
  size_t n = focusable.size();
  return focusable[forward ? (i + 1) % n : (i + n - 1) % n];
}

void TForm::MoveFocus(bool forward) {
  if (TControl* next = FindNextFocusable(forward)) SetActiveControl(static_cast<TBitBtn*>(next));
}

void TForm::DispatchKeyDown(uint16_t key, TShiftState shift) {
  // Dialog navigation first; a key it consumes reaches no key handler.
  bool ctrl_or_alt = (shift & (ssCtrl | ssAlt)) != 0;
  if (key == VK_TAB && !ctrl_or_alt) {
    MoveFocus((shift & ssShift) == 0);
    return;
  }
  if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) && m_active_control) {
    MoveFocus(key == VK_RIGHT || key == VK_DOWN);
    return;
  }
  if (key == VK_RETURN && (shift & (ssShift | ssCtrl | ssAlt)) == 0 && m_active_control &&
      m_active_control->Enabled()) {
    if (m_active_control->OnClick) m_active_control->OnClick(m_active_control);
    return;
  }
  // Buttons have no key handlers, so only the form's own handler can see the key.
  if ((m_key_preview || !m_active_control) && OnKeyDown) OnKeyDown(this, key, shift);
}

}  // namespace vt
