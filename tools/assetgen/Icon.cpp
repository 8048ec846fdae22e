#include "tools/assetgen/Icon.h"

#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tools/assetgen/BuildingPicture.h"
#include "tools/assetgen/PixelFont.h"

namespace vt {

namespace {

const FColor kOutline = FColor::Rgb(28, 44, 16);
const FColor kPanel = FColor::Rgb(96, 168, 40);
const FColor kDarkDigit = FColor::Rgb(24, 60, 12);
const FColor kGrey = FColor::Rgb(128, 128, 128);
const FColor kRed = FColor::Rgb(230, 0, 0);
const FColor kInk = FColor::Rgb(20, 20, 20);

// The car's lamps and the rider of the 32-pixel design, in its pixels.
constexpr std::array<PointF, 7> kUpArrow = {
    {{8, 11}, {13, 16}, {10, 16}, {10, 20}, {6, 20}, {6, 16}, {3, 16}}};
constexpr std::array<PointF, 7> kDownArrow = {
    {{6, 22}, {10, 22}, {10, 26}, {13, 26}, {8, 31}, {3, 26}, {6, 26}}};
struct Box {
  float left, top, right, bottom;
};
constexpr Box kRider[] = {
    {21, 11, 25, 15},  // head
    {22, 15, 24, 24},  // body
    {18, 17, 28, 19},  // arms
    {20, 24, 22, 30},  // left leg
    {24, 24, 26, 30},  // right leg
    {22, 23, 24, 25},  // hips
};

// The lamps (up dark grey, down lit red) at s times the 32-pixel design's size.
void DrawLamps(Canvas& c, float s) {
  for (const auto& [arrow, colour] : {std::pair{kUpArrow, kGrey}, std::pair{kDownArrow, kRed}}) {
    std::array<PointF, 7> scaled = arrow;
    for (PointF& p : scaled) p = {p.x * s, p.y * s};
    c.FillPolygon(scaled, colour);
  }
}

// The rider standing at the right, of boxes, at s times the 32-pixel design's size.
void DrawBoxRider(Canvas& c, float s) {
  for (const Box& box : kRider) {
    c.FillRect(box.left * s, box.top * s, box.right * s, box.bottom * s, kInk);
  }
}

// The 16-pixel icon, pixel for pixel: too small for digits, the panel shows six lamps.
Canvas DrawSmallIcon() {
  Canvas c(16, 16);
  c.SetAntialias(false);
  c.FillRect(1, 0, 15, 16, kOutline);
  c.FillRect(0, 1, 16, 15, kOutline);
  c.FillRect(1, 1, 15, 15, kCarGreen);
  c.FillRect(2, 2, 15, 5, kPanel);
  for (int i = 0; i < 6; ++i) {
    const float x = float(3 + 2 * i);
    c.FillRect(x, 3, x + 1, 4, i == 0 ? kRed : kDarkDigit);
  }
  // Up: a grey head of three rows on a stem; down: the same in red, the other way up.
  for (int row = 0; row < 3; ++row) {
    const float half = float(row);
    c.FillRect(4 - half, float(6 + row), 5 + half, float(7 + row), kGrey);
    c.FillRect(4 - half, float(14 - row), 5 + half, float(15 - row), kRed);
  }
  c.FillRect(4, 9, 5, 10, kGrey);
  c.FillRect(4, 11, 5, 12, kRed);
  c.FillRect(10, 5, 13, 8, kInk);    // head
  c.FillRect(11, 8, 12, 12, kInk);   // body
  c.FillRect(9, 9, 14, 10, kInk);    // arms
  c.FillRect(10, 12, 11, 15, kInk);  // legs
  c.FillRect(12, 12, 13, 15, kInk);
  return c;
}

// The 48 and 256 pixel icons: the 32-pixel design at s times its size, with the larger digits
// and, at 256, smooth edges, a rounded body and a rounded figure.
Canvas DrawLargeIcon(int size) {
  const float s = float(size) / 32;
  const bool smooth = size >= 128;
  Canvas c(size, size);
  c.SetAntialias(smooth);
  const float edge = float(size);
  if (smooth) {
    const float r = 2 * s;
    c.FillRect(r, 0, edge - r, edge, kOutline);
    c.FillRect(0, r, edge, edge - r, kOutline);
    for (float x : {r, edge - r}) {
      for (float y : {r, edge - r}) c.FillCircle(x, y, r, kOutline);
    }
  } else {
    c.FillRect(1, 0, edge - 1, edge, kOutline);
    c.FillRect(0, 1, edge, edge - 1, kOutline);
  }
  const float border = smooth ? s : 2;
  c.FillRect(border, border, edge - border, edge - border, kCarGreen);

  // The panel of floor digits in the 5 x 7 font, centred on it, the first one lit.
  const float panel_top = 2 * s, panel_bottom = 9 * s + (smooth ? 0 : 1);
  c.FillRect(2 * s, panel_top, 30 * s, panel_bottom, kPanel);
  const PixelFont font(PixelFont::Size::Medium5x7);
  const int scale = smooth ? int(s * 5 / 8) : 1;
  const std::string floors = "B12345";
  const int width = font.TextWidth(floors, scale);
  const int left = (size - width) / 2;
  const int top =
      int(panel_top + (panel_bottom - panel_top - float(font.GlyphHeight() * scale)) / 2);
  for (size_t i = 0; i < floors.size(); ++i) {
    font.DrawText(c, left + int(i) * (font.GlyphWidth() + 1) * scale, top, floors.substr(i, 1),
                  scale, i == 0 ? kRed : kDarkDigit);
  }

  DrawLamps(c, s);
  if (smooth) {
    c.FillCircle(23 * s, 13 * s, 2.4f * s, kInk);
    c.DrawLine(23 * s, 15 * s, 23 * s, 23.5f * s, 2 * s, kInk);
    c.DrawLine(19 * s, 18 * s, 27 * s, 18 * s, 1.8f * s, kInk);
    c.DrawLine(22.5f * s, 23.5f * s, 21 * s, 29.5f * s, 1.8f * s, kInk);
    c.DrawLine(23.5f * s, 23.5f * s, 25 * s, 29.5f * s, 1.8f * s, kInk);
  } else {
    DrawBoxRider(c, s);
  }
  return c;
}

}  // namespace

Canvas DrawIcon() {
  Canvas c(32, 32);
  c.SetAntialias(false);
  const FColor outline = kOutline;
  // The car body with its corners cut by one pixel.
  c.FillRect(1, 0, 31, 32, outline);
  c.FillRect(0, 1, 32, 31, outline);
  c.FillRect(1, 1, 31, 31, kCarGreen);

  // The panel of floor digits, its first one lit.
  const PixelFont font(PixelFont::Size::Small3x5);
  c.FillRect(2, 2, 30, 9, kPanel);
  const char* floors = "B12345";
  for (int i = 0; i < 6; ++i) {
    const char digit[2] = {floors[i], 0};
    const FColor colour = i == 0 ? kRed : kDarkDigit;
    font.DrawText(c, 3 + 4 * i + (i > 0 ? 1 : 0), 3, digit, 1, colour);
  }

  DrawLamps(c, 1);
  DrawBoxRider(c, 1);
  return c;
}

Canvas DrawIcon(int size) {
  switch (size) {
    case 16:
      return DrawSmallIcon();
    case 32:
      return DrawIcon();
    case 48:
    case 256:
      return DrawLargeIcon(size);
    default:
      throw std::invalid_argument("no icon drawn for " + std::to_string(size) + " pixels");
  }
}

std::vector<Canvas> DrawIconImages() {
  return {DrawIcon(16), DrawIcon(32), DrawIcon(48), DrawIcon(256)};
}

}  // namespace vt
