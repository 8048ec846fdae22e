// The form's repainting:
// - changed rectangles recorded, merged where the merge paints no more than both would;
// - each one repainted into the frame from the lowest widget that shows in it, the widgets
//   clipped and translated, buttons above the rest;
// - the first error a widget raised while painting kept for the event loop.
#include <algorithm>
#include <iterator>

#include "widgets/TForm.h"

namespace vt {

void TForm::InvalidateAll() {
  m_dirty.clear();
  if (Width() > 0 && Height() > 0) m_dirty.push_back({0, 0, Width(), Height()});
}

void TForm::InvalidateRect(const Rect& rect) {
  Rect r = rect.Intersected({0, 0, Width(), Height()});
  if (r.IsEmpty()) return;
  // Merge with pending rectangles as long as the merge does not paint more than the two
  // rectangles would on their own; a car moving by a few pixels merges its old and new places.
  bool merged = true;
  while (merged) {
    merged = false;
    for (size_t i = 0; i < m_dirty.size(); ++i) {
      const Rect& d = m_dirty[i];
      if (d.Contains(r)) return;
      Rect u = d.United(r);
      if (r.Contains(d) || u.Area() <= d.Area() + r.Area()) {
        r = u;
        m_dirty.erase(m_dirty.begin() + long(i));
        merged = true;
        break;
      }
    }
  }
  m_dirty.push_back(r);
}

void TForm::InvalidateUnder(const TControl& control, const Rect& rect) {
  // Where a picture above the widget hides it, its change cannot show: the photograph that
  // changes behind the building is repainted, and sent to the screen, only around it. A
  // picture hiding little of the rectangle would only cut it up, and one hiding all of it
  // leaves it whole, so that a picture still to decode is painted as it always was.
  auto self = std::find(m_controls.begin(), m_controls.end(), &control);
  if (control.IsWindowed() || self == m_controls.end()) return InvalidateRect(rect);
  Rect hidden;
  for (auto it = std::next(self); it != m_controls.end(); ++it) {
    const TControl* c = *it;
    if (!c->BoundsRect().Intersects(rect) || c->IsWindowed() || !c->Visible()) continue;
    const Rect part = c->OpaqueRect().Intersected(rect);
    if (part.Area() > hidden.Area()) hidden = part;
  }
  if (hidden.IsEmpty() || hidden.Area() * 4 < rect.Area() || hidden == rect) {
    return InvalidateRect(rect);
  }
  for (const Rect& strip : StripsAround(rect, hidden)) {
    if (!strip.IsEmpty()) InvalidateRect(strip);
  }
}

void TForm::Paint(Painter& painter) {
  painter.FillRect({0, 0, Width(), Height()}, m_color);
}

std::vector<TControl*>::const_reverse_iterator TForm::TopmostCover(const Rect& rect) const {
  return std::find_if(m_controls.rbegin(), m_controls.rend(), [&](const TControl* c) {
    return !c->IsWindowed() && c->Visible() && c->OpaqueRect().Contains(rect);
  });
}

std::vector<TControl*>::const_iterator TForm::LowestShownLayer(const Rect& rect) const {
  auto cover = TopmostCover(rect);
  if (cover == m_controls.rend()) return m_controls.end();
  // A picture still to be decoded is painted even when hidden, so that it decodes, and
  // reports a broken file, at the paint it always did.
  const bool decodes_beneath = std::any_of(cover + 1, m_controls.rend(), [&](const TControl* c) {
    return c->Visible() && c->PaintDecodes() && c->BoundsRect().Intersects(rect);
  });
  return decodes_beneath ? m_controls.end() : std::prev(cover.base());
}

std::vector<Rect> TForm::SplitAtCover(const Rect& rect) const {
  // Only a picture above the highest one that hides all of the rectangle can save painting:
  // the car over the building, whose part is then painted from the car up and the strip it
  // left from the building up, so that no pixel of the building is copied only to be covered.
  const auto whole_cover = TopmostCover(rect);
  for (auto it = m_controls.rbegin(); it != whole_cover; ++it) {
    const TControl* c = *it;
    if (c->IsWindowed() || !c->Visible()) continue;
    const Rect part = c->OpaqueRect().Intersected(rect);
    // Only a picture hiding at least half of the rectangle is worth the split.
    if (part.Area() * 2 < rect.Area() || part == rect) continue;
    std::vector<Rect> parts = StripsAround(rect, part);
    parts.insert(parts.begin(), part);
    return parts;
  }
  return {};
}

std::vector<Rect> TForm::StripsAround(const Rect& rect, const Rect& part) {
  return {{rect.left, rect.top, rect.width, part.top - rect.top},
          {rect.left, part.Bottom(), rect.width, rect.Bottom() - part.Bottom()},
          {rect.left, part.top, part.left - rect.left, part.height},
          {part.Right(), part.top, rect.Right() - part.Right(), part.height}};
}

void TForm::PaintControl(Painter& painter, const Rect& rect, TControl& control) {
  if (!control.Visible() || !control.BoundsRect().Intersects(rect)) return;
  PainterStateSaver control_saver(painter);
  painter.Translate(control.Left(), control.Top());
  painter.AddClip({0, 0, control.Width(), control.Height()});
  try {
    control.Paint(painter);
  } catch (...) {
    if (!m_paint_error) m_paint_error = std::current_exception();
  }
}

void TForm::PaintRect(Painter& painter, const Rect& rect) {
  // The moving car hides most of what it dirties: its part is painted from the car up, and
  // only the strip it left, from the building up.
  if (std::vector<Rect> parts = SplitAtCover(rect); !parts.empty()) {
    for (const Rect& part : parts) {
      if (!part.IsEmpty()) PaintRect(painter, part);
    }
    return;
  }
  PainterStateSaver saver(painter);
  painter.AddClip(rect);
  // The background, pictures and labels in their order, then the buttons, which lie above
  // them all. What lies beneath a picture that hides the whole rectangle is left out: it would
  // only be painted over.
  auto lowest = LowestShownLayer(rect);
  if (lowest == m_controls.end()) {
    lowest = m_controls.begin();
    // A first picture that is to hide all of rect once decoded (the new photograph of a change
    // of scenery) is painted before the form's background, which it then makes needless; one
    // that fails drew nothing, and the background goes in after it.
    auto first = std::find_if(m_controls.begin(), m_controls.end(), [&](const TControl* c) {
      return !c->IsWindowed() && c->Visible() && c->BoundsRect().Intersects(rect);
    });
    if (first != m_controls.end() && (*first)->PaintDecodes() &&
        (*first)->OpaqueRectOnceDecoded().Contains(rect)) {
      PaintControl(painter, rect, **first);
      if (!(*first)->OpaqueRect().Contains(rect)) Paint(painter);
      lowest = std::next(first);
    } else {
      Paint(painter);
    }
  }
  for (auto it = lowest; it != m_controls.end(); ++it) {
    if (!(*it)->IsWindowed()) PaintControl(painter, rect, **it);
  }
  for (TControl* c : m_controls) {
    if (c->IsWindowed()) PaintControl(painter, rect, *c);
  }
}

std::vector<Rect> TForm::RepaintDirty(RepaintOutline outline) {
  std::vector<Rect> dirty;
  dirty.swap(m_dirty);
  if (Frame().Width() != std::max(Width(), 0) || Frame().Height() != std::max(Height(), 0)) {
    ResizeFrame();
  }
  Painter painter(m_lent_frame ? *m_lent_frame : m_frame);
  for (const Rect& r : dirty) PaintRect(painter, r);
  if (outline == RepaintOutline::Show) {
    for (const Rect& r : dirty) painter.DrawFrame(r, clFuchsia, clFuchsia);
  }
  return dirty;
}

std::exception_ptr TForm::TakePaintError() {
  std::exception_ptr e = m_paint_error;
  m_paint_error = nullptr;
  return e;
}

}  // namespace vt
