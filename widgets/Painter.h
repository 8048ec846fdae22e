#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Color.h"
#include "widgets/Geometry.h"

namespace vt {

// Draws into a Bitmap32 through a translation and a clip rectangle. Every coordinate given
// to a drawing call is local: it is shifted by the current origin and clipped to the clip.
class Painter {
 public:
  explicit Painter(Bitmap32& target);

  Bitmap32& Target() { return m_target; }
  // Moves the origin by (dx, dy) in the current local coordinates.
  void Translate(int dx, int dy);
  // Narrows the clip to the intersection with a rectangle given in local coordinates.
  void AddClip(const Rect& local);
  // The clip in local coordinates.
  Rect ClipRect() const { return m_state.clip.Translated(-m_state.origin.x, -m_state.origin.y); }
  Point Origin() const { return m_state.origin; }

  void FillRect(const Rect& local, TColor color);
  // Frame lines one pixel wide along the rectangle's inside edges.
  void DrawFrame(const Rect& local, TColor top_left, TColor bottom_right);
  void SetPixel(int x, int y, TColor color);
  // Mixes color over the pixel with coverage alpha (0..255).
  void BlendPixel(int x, int y, TColor color, uint8_t alpha);
  // Mixes color over a block of pixels, each with its own coverage from an 8-bit mask.
  void BlendMask(int x, int y, const uint8_t* mask, int width, int height, int pitch,
                 TColor color);
  // Draws src scaled to dst by nearest-pixel sampling (rows and columns dropped or repeated,
  // no smoothing). Pixels of the transparent colour, when given, are skipped.
  void DrawScaled(const Bitmap32& src, const Rect& dst, std::optional<TColor> transparent);
  // Draws src pixel for pixel with its top-left corner at (x, y), as DrawScaled does to a
  // rectangle of src's own size, transparent colour included.
  void DrawCopy(const Bitmap32& src, int x, int y, std::optional<TColor> transparent);

 private:
  friend class PainterStateSaver;
  struct State {
    Point origin;
    Rect clip;  // in target coordinates, always inside the target
  };
  Bitmap32& m_target;
  State m_state;
};

// Restores the painter's origin and clip when it goes out of scope.
class PainterStateSaver {
 public:
  explicit PainterStateSaver(Painter& painter) : m_painter(painter), m_saved(painter.m_state) {}
  ~PainterStateSaver() { m_painter.m_state = m_saved; }
  PainterStateSaver(const PainterStateSaver&) = delete;
  PainterStateSaver& operator=(const PainterStateSaver&) = delete;

 private:
  Painter& m_painter;
  Painter::State m_saved;
};

}  // namespace vt
