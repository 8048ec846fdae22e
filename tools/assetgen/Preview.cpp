#include "tools/assetgen/Preview.h"

#include <string>

#include "tools/assetgen/BuildingPicture.h"
#include "tools/assetgen/CityScape.h"
#include "tools/assetgen/People.h"
#include "tools/assetgen/Signboard.h"

namespace vt {

namespace {

// A call button face as the saver draws one: raised grey with an arrow, red when lit.
void DrawCallButton(Canvas& c, int x, int y, bool up, bool lit) {
  c.FillRect(float(x), float(y), float(x + 25), float(y + 25), FColor::Rgb(105, 105, 105));
  c.FillRect(float(x), float(y), float(x + 24), float(y + 24), FColor::Rgb(255, 255, 255));
  c.FillRect(float(x + 1), float(y + 1), float(x + 24), float(y + 24), FColor::Rgb(160, 160, 160));
  c.FillRect(float(x + 1), float(y + 1), float(x + 23), float(y + 23), FColor::Rgb(240, 240, 240));
  const FColor arrow = lit ? FColor::Rgb(255, 0, 0) : FColor::Rgb(160, 160, 160);
  const float cx = float(x) + 12.5f;
  const float tip = up ? float(y + 5) : float(y + 20);
  const float back = up ? float(y + 12) : float(y + 13);
  c.FillPolygon(std::vector<PointF>{{cx, tip}, {cx + 6, back}, {cx - 6, back}}, arrow);
  c.FillRect(cx - 2, up ? back : float(y + 5), cx + 2, up ? float(y + 20) : back, arrow);
}

// A bitmap as a transparent picture widget shows it: its bottom-left colour left out.
Canvas CutOut(const Canvas& bitmap) {
  const FColor key = bitmap.ColorAt(0, bitmap.Height() - 1);
  Canvas out(bitmap.Width(), bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const FColor c = bitmap.ColorAt(x, y);
      if (c.r != key.r || c.g != key.g || c.b != key.b) out.Blend(x, y, c, 1);
    }
  }
  return out;
}

}  // namespace

Canvas PreviewFromScreenshot(const Canvas& screenshot) {
  return screenshot.Resampled(kPreviewWidth, kPreviewHeight);
}

Canvas DrawStandinPreview() {
  constexpr int kScreenW = 1024;
  constexpr int kScreenH = 768;
  Canvas screen = CityScape(CityMood::Day(), kScreenW, kScreenH).Render();

  // The layout of a 1024 x 768 screen at 96 pixels per inch.
  const int left = 202;
  const int top = 278;
  screen.Draw(DrawBuildingPicture(), left, top);
  auto floorLine = [&](int f) { return top + 485 - 80 * f; };
  screen.Draw(DrawCarPicture(), left + 23, floorLine(0) - 70);

  // The rooftop character in its 100 x 100 box, kept in proportion, and the signboard.
  screen.DrawStretched(CutOut(DrawHito(3)), left + 25, top + 5 - 100, 90, 100);
  screen.Draw(DrawSignboard(), left + 25 + 100 + 5, top - 103);

  // People waiting on some floors with their calls lit.
  const int waiting[6] = {2, 0, 3, 1, 0, 2};
  for (int f = 0; f < 6; ++f) {
    for (int n = 0; n < waiting[f]; ++n) {
      screen.Draw(CutOut(DrawHito((f + n * 2) % 4)), left + 153 + 45 * n, floorLine(f) - 50);
    }
    if (f < 5)
      DrawCallButton(screen, left + 128, floorLine(f) - 70, true, waiting[f] > 0 && f % 2 == 0);
    if (f > 0)
      DrawCallButton(screen, left + 128, floorLine(f) - 40, false, waiting[f] > 0 && f % 2 == 1);
  }
  return PreviewFromScreenshot(screen);
}

}  // namespace vt
