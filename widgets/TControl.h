#pragma once

#include <cstdint>
#include <string>

#include "widgets/Color.h"
#include "widgets/Geometry.h"
#include "widgets/Painter.h"
#include "widgets/TComponent.h"
#include "widgets/TFont.h"

namespace vt {

class TForm;
class TextEngine;

// A widget on a form: bounds, visibility, the lit/dark Enabled state, caption, font and colour.
// Properties are state: they read back exactly the last value set, whether or not the widget
// is visible, and setting a property to the value it already has does nothing at all.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner) : TComponent(owner) {}

  TForm* Parent() const { return m_parent; }
  // Puts the widget on a form, above every widget given that form before it.
  virtual void SetParent(TForm* parent);

  int32_t Left() const { return m_bounds.left; }
  int32_t Top() const { return m_bounds.top; }
  int32_t Width() const { return m_bounds.width; }
  int32_t Height() const { return m_bounds.height; }
  Rect BoundsRect() const { return m_bounds; }
  void SetLeft(int32_t value) { SetBounds(value, Top(), Width(), Height()); }
  void SetTop(int32_t value) { SetBounds(Left(), value, Width(), Height()); }
  void SetWidth(int32_t value) { SetBounds(Left(), Top(), value, Height()); }
  void SetHeight(int32_t value) { SetBounds(Left(), Top(), Width(), value); }
  // Sets all four bounds in one operation.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  bool Visible() const { return m_visible; }
  virtual void SetVisible(bool value);
  bool Enabled() const { return m_enabled; }
  virtual void SetEnabled(bool value);
  const std::string& Caption() const { return m_caption; }
  void SetCaption(const std::string& value);

  const TFont& Font() const { return m_font; }
  // Copies every attribute of the given font; the widget stops following its parent's font.
  void SetFont(const TFont& font);
  bool ParentFont() const { return m_parent_font; }
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  bool ParentColor() const { return m_parent_color; }

  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // Push buttons are windows of their own: they lie above every picture and label.
  virtual bool IsWindowed() const { return false; }
  virtual bool CanFocus() const { return false; }
  // Draws the widget with (0, 0) at its top-left corner; the painter clips to the widget.
  virtual void Paint(Painter& painter) = 0;
  // The part of the widget, in its parent's coordinates, that its paint fills with pixels of
  // its own, hiding whatever lies beneath there; empty unless that is certain.
  virtual Rect OpaqueRect() const { return {}; }
  // The same for a widget whose next paint decodes its picture, should the decoding succeed.
  virtual Rect OpaqueRectOnceDecoded() const { return OpaqueRect(); }
  // Whether the next paint does more than draw (a picture's first decoding, which may report
  // a broken file), so that the widget is painted even where another one hides it.
  virtual bool PaintDecodes() const { return false; }

  // Marks the widget's rectangle for repainting.
  void Invalidate();

 protected:
  // Called after the caption or the font changed (labels size themselves to their text).
  virtual void TextChanged() {}
  // Called after the bounds changed, with the old bounds.
  virtual void BoundsChanged(const Rect& old_bounds) { (void)old_bounds; }
  // Stores a new value of a property that changes the widget's looks and repaints it; a value
  // equal to the stored one does nothing at all. Returns whether the value changed.
  template <class T>
  bool ChangeLook(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    Invalidate();
    return true;
  }
  // Sets the bounds without any check or hook, for widgets that size themselves.
  void StoreBounds(const Rect& bounds) { m_bounds = bounds; }
  // The text engine of the application this widget's form belongs to; nullptr off a form.
  TextEngine* Text() const;
  virtual void InvalidateRect(const Rect& rect_in_parent);

  friend class TForm;
  TForm* m_parent = nullptr;
  Rect m_bounds;
  bool m_visible = true;
  bool m_enabled = true;
  std::string m_caption;
  TFont m_font;
  bool m_parent_font = true;
  TColor m_color = clBtnFace;
  bool m_parent_color = true;
};

}  // namespace vt
