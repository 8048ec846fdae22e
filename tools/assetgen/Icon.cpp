#include "tools/assetgen/Icon.h"

#include <vector>

#include "tools/assetgen/BuildingPicture.h"
#include "tools/assetgen/PixelFont.h"

namespace vt {

Canvas DrawIcon() {
  Canvas c(32, 32);
  c.SetAntialias(false);
  const FColor outline = FColor::Rgb(28, 44, 16);
  // The car body with its corners cut by one pixel.
  c.FillRect(1, 0, 31, 32, outline);
  c.FillRect(0, 1, 32, 31, outline);
  c.FillRect(1, 1, 31, 31, kCarGreen);

  // The panel of floor digits, its first one lit.
  const PixelFont font(PixelFont::Size::Small3x5);
  c.FillRect(2, 2, 30, 9, FColor::Rgb(96, 168, 40));
  const char* floors = "B12345";
  for (int i = 0; i < 6; ++i) {
    const char digit[2] = {floors[i], 0};
    const FColor colour = i == 0 ? FColor::Rgb(230, 0, 0) : FColor::Rgb(24, 60, 12);
    font.DrawText(c, 3 + 4 * i + (i > 0 ? 1 : 0), 3, digit, 1, colour);
  }

  // The car's lamps: up dark grey, down lit red.
  const FColor grey = FColor::Rgb(128, 128, 128);
  const FColor red = FColor::Rgb(230, 0, 0);
  c.FillPolygon(
      std::vector<PointF>{{8, 11}, {13, 16}, {10, 16}, {10, 20}, {6, 20}, {6, 16}, {3, 16}}, grey);
  c.FillPolygon(
      std::vector<PointF>{{6, 22}, {10, 22}, {10, 26}, {13, 26}, {8, 31}, {3, 26}, {6, 26}}, red);

  // A rider standing at the right.
  const FColor ink = FColor::Rgb(20, 20, 20);
  c.FillRect(21, 11, 25, 15, ink);  // head
  c.FillRect(22, 15, 24, 24, ink);  // body
  c.FillRect(18, 17, 28, 19, ink);  // arms
  c.FillRect(20, 24, 22, 30, ink);  // legs
  c.FillRect(24, 24, 26, 30, ink);
  c.FillRect(22, 23, 24, 25, ink);
  return c;
}

}  // namespace vt
