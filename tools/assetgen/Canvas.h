#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vt {

// A colour with float channels on the 0..255 scale, so that shading and blending keep their
// precision until the picture is written.
struct FColor {
  float r = 0;
  float g = 0;
  float b = 0;

  static constexpr FColor Rgb(float r, float g, float b) { return {r, g, b}; }
  FColor operator+(FColor o) const { return {r + o.r, g + o.g, b + o.b}; }
  FColor operator-(FColor o) const { return {r - o.r, g - o.g, b - o.b}; }
  FColor operator*(float k) const { return {r * k, g * k, b * k}; }
  FColor operator*(FColor o) const { return {r * o.r / 255.f, g * o.g / 255.f, b * o.b / 255.f}; }
  float Luma() const { return 0.299f * r + 0.587f * g + 0.114f * b; }
};

FColor Mix(FColor a, FColor b, float t);

struct PointF {
  float x = 0;
  float y = 0;
};

enum class Dither { None, Ordered };

// A raster of premultiplied RGBA floats. Opaque pictures keep alpha 1 everywhere; sprites start
// transparent and are flattened onto their ground colour when written. Pixel (x, y) covers the
// square [x, x+1) x [y, y+1); every shape is antialiased by its exact or sampled coverage unless
// antialiasing is switched off, in which case a pixel is painted when at least half covered.
class Canvas {
 public:
  Canvas() = default;
  // A transparent canvas.
  Canvas(int width, int height);
  // An opaque canvas filled with one colour.
  Canvas(int width, int height, FColor fill);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  void SetAntialias(bool on) { m_antialias = on; }

  FColor ColorAt(int x, int y) const;
  float AlphaAt(int x, int y) const { return m_pixels[Index(x, y) + 3]; }
  // Writes an opaque pixel, replacing what was there.
  void SetPixel(int x, int y, FColor c);

  // Paints colour c over a pixel with the given coverage (0..1).
  void Blend(int x, int y, FColor c, float coverage);
  // Adds light to a pixel: glows, lamps and highlights.
  void AddLight(int x, int y, FColor c, float amount);

  void FillRect(float x0, float y0, float x1, float y1, FColor c, float alpha = 1);
  void FillCircle(float cx, float cy, float r, FColor c, float alpha = 1);
  void FillEllipse(float cx, float cy, float rx, float ry, FColor c, float alpha = 1);
  // Non-zero winding fill; any simple or self-touching outline.
  void FillPolygon(std::span<const PointF> points, FColor c, float alpha = 1);
  // A stroke of the given width with round ends.
  void DrawLine(float x0, float y0, float x1, float y1, float width, FColor c, float alpha = 1);
  // A soft round light whose strength falls off with the square of the distance, out to radius.
  void Glow(float cx, float cy, float radius, FColor c, float strength);
  // Fills a rectangle with a vertical run of colours spaced evenly from top to bottom.
  void VerticalGradient(int x0, int y0, int x1, int y1, std::span<const FColor> stops);

  // Paints another canvas over this one, pixel for pixel, at (dx, dy).
  void Draw(const Canvas& src, int dx, int dy);
  // Paints another canvas stretched to (dx, dy, dw, dh) by nearest-pixel sampling, as the
  // program itself draws pictures.
  void DrawStretched(const Canvas& src, int dx, int dy, int dw, int dh);
  // Reduces (or enlarges) the picture by averaging the area each new pixel covers.
  Canvas Resampled(int width, int height) const;

  // Bright parts bleed into their surroundings: the halo of lamps in haze.
  void Bloom(float threshold, float strength, int radius);

  // Flattens onto a ground colour: pixels at least half covered keep their own colour with full
  // strength, the rest become the ground. Gives hard-edged sprites for transparent bitmaps.
  Canvas FlattenedOnto(FColor ground) const;

  // 8-bit RGB rows, top to bottom.
  std::vector<uint8_t> ToRgb8(Dither dither) const;

 private:
  size_t Index(int x, int y) const { return (size_t(y) * size_t(m_width) + size_t(x)) * 4; }
  float Coverage(float c) const;

  int m_width = 0;
  int m_height = 0;
  bool m_antialias = true;
  std::vector<float> m_pixels;
};

}  // namespace vt
