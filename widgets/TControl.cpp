#include "widgets/TControl.h"

#include "widgets/TApplication.h"
#include "widgets/TForm.h"

namespace vt {

void TControl::SetParent(TForm* parent) {
  if (parent == m_parent) return;
  if (m_parent && m_visible) InvalidateRect(m_bounds);
  m_parent = parent;
  if (!m_parent) return;
  m_parent->AddControl(this);
  if (m_parent_font) m_font = m_parent->Font();
  if (m_parent_color) m_color = m_parent->Color();
  TextChanged();
  Invalidate();
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Rect next{left, top, width, height};
  if (next == m_bounds) return;
  Rect old = m_bounds;
  if (m_visible) InvalidateRect(old);
  m_bounds = next;
  if (m_visible) InvalidateRect(next);
  BoundsChanged(old);
}

void TControl::SetVisible(bool value) {
  if (value == m_visible) return;
  m_visible = value;
  InvalidateRect(m_bounds);
}

void TControl::SetEnabled(bool value) { ChangeLook(m_enabled, value); }

void TControl::SetCaption(const std::string& value) {
  if (value == m_caption) return;
  m_caption = value;
  Invalidate();
  TextChanged();
}

void TControl::SetFont(const TFont& font) {
  m_parent_font = false;
  if (font == m_font) return;
  m_font = font;
  Invalidate();
  TextChanged();
}

void TControl::SetColor(TColor color) {
  m_parent_color = false;
  ChangeLook(m_color, color);
}

void TControl::Invalidate() {
  if (m_visible) InvalidateRect(m_bounds);
}

void TControl::InvalidateRect(const Rect& rect_in_parent) {
  if (m_parent) m_parent->InvalidateUnder(*this, rect_in_parent);
}

TextEngine* TControl::Text() const {
  if (m_parent) return &m_parent->Application().Text();
  return nullptr;
}

}  // namespace vt
