#include "tools/assetgen/Signboard.h"

#include <cmath>

#include "tools/assetgen/Random.h"
#include "tools/assetgen/StrokeFont.h"

namespace vt {

namespace {

constexpr int kWidth = 450;
constexpr int kHeight = 103;
constexpr int kFrame = 5;
constexpr int kRibPitch = 9;

void DrawPanel(Canvas& c) {
  // Horizontal ribs of pressed sheet metal: each rib is lit from above and shaded below.
  for (int y = 0; y < kHeight; ++y) {
    const float phase = float((y - kFrame) % kRibPitch) / float(kRibPitch);
    const float rib = std::sin(phase * 6.2831853f);
    for (int x = 0; x < kWidth; ++x) {
      const float grain = (HashUnit(uint32_t(x / 3), uint32_t(y), 99u) - 0.5f) * 3.f;
      const float k = 1.f + 0.07f * rib + grain / 155.f;
      c.SetPixel(x, y, kPanelGrey * k);
    }
  }
  // The frame: a darker rim with a bevel, and a rivet in each corner and along the edges.
  const FColor rim = FColor::Rgb(112, 114, 112);
  c.FillRect(0, 0, kWidth, kFrame, rim);
  c.FillRect(0, kHeight - kFrame, kWidth, kHeight, rim);
  c.FillRect(0, 0, kFrame, kHeight, rim);
  c.FillRect(kWidth - kFrame, 0, kWidth, kHeight, rim);
  c.FillRect(0, 0, kWidth, 1, FColor::Rgb(196, 198, 196));
  c.FillRect(0, 0, 1, kHeight, FColor::Rgb(196, 198, 196));
  c.FillRect(0, kHeight - 1, kWidth, kHeight, FColor::Rgb(70, 72, 70));
  c.FillRect(kWidth - 1, 0, kWidth, kHeight, FColor::Rgb(70, 72, 70));
  c.FillRect(kFrame, kFrame, kWidth - kFrame, kFrame + 1, FColor::Rgb(90, 92, 90));
  c.FillRect(kFrame, kHeight - kFrame - 1, kWidth - kFrame, kHeight - kFrame,
             FColor::Rgb(190, 192, 190));
  for (int x = 12; x < kWidth; x += 106) {
    for (float y : {2.5f, float(kHeight) - 2.5f}) {
      c.FillCircle(float(x) + 0.5f, y, 1.8f, FColor::Rgb(80, 82, 80));
      c.FillCircle(float(x), y - 0.5f, 1.0f, FColor::Rgb(210, 212, 210));
    }
  }
}

}  // namespace

Canvas DrawSignboard() {
  Canvas c(kWidth, kHeight, kPanelGrey);
  DrawPanel(c);

  const float unit = 6.6f;
  const float stroke = 10.5f;
  const StrokeFont font(unit, 2.1f);
  const char* title = "Vantorel";
  const float capTop = 17;
  const float left = (float(kWidth) - font.TextWidth(title)) / 2 - 3;
  const auto segments = font.Layout(title, left, capTop);
  const float y0 = capTop;
  const float y1 = capTop + 10 * unit;

  // The bright green shadow falls to the lower right, then the letters get a dark blue edge
  // and a face that lightens towards the top, like enamel.
  const FColor green = FColor::Rgb(60, 232, 70);
  StrokeFont::Paint(c, segments, stroke + 4, 6, 5, green, green, y0, y1);
  const FColor edge = FColor::Rgb(14, 30, 96);
  StrokeFont::Paint(c, segments, stroke + 4, 0, 0, edge, edge, y0, y1);
  StrokeFont::Paint(c, segments, stroke, 0, 0, FColor::Rgb(70, 120, 236), FColor::Rgb(24, 60, 190),
                    y0, y1);
  StrokeFont::Paint(c, segments, 2.2f, -1.6f, -1.8f, FColor::Rgb(170, 200, 255),
                    FColor::Rgb(90, 130, 230), y0, y1);
  return c;
}

}  // namespace vt
