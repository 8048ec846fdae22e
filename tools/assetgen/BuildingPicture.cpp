#include "tools/assetgen/BuildingPicture.h"

#include <string>

#include "tools/assetgen/PixelFont.h"
#include "tools/assetgen/Random.h"

namespace vt {

namespace {

constexpr int kWidth = 620;
constexpr int kHeight = 515;
constexpr int kBandLeft = 123;
constexpr int kBandRight = 615;  // inclusive
constexpr FloorBand kBands[6] = {{408, 481}, {328, 397}, {248, 318},
                                 {168, 239}, {88, 159},  {11, 78}};
constexpr FColor kSand = FColor::Rgb(222, 203, 164);
constexpr FColor kTan = FColor::Rgb(214, 180, 132);
constexpr FColor kRed = FColor::Rgb(210, 24, 24);

void DrawFloorTab(Canvas& c, int floor) {
  const FloorBand band = kBands[floor];
  const int centre = (band.top + band.bottom + 1) / 2;
  const int top = centre - 12;
  const int bottom = centre + 12;  // exclusive
  c.FillRect(1, float(top), 18, float(bottom), kTan);
  // A raised plate: light upper-left edge, dark lower-right edge.
  c.FillRect(1, float(top), 18, float(top + 1), FColor::Rgb(240, 214, 172));
  c.FillRect(1, float(top), 2, float(bottom), FColor::Rgb(240, 214, 172));
  c.FillRect(1, float(bottom - 1), 18, float(bottom), FColor::Rgb(150, 118, 78));
  c.FillRect(17, float(top), 18, float(bottom), FColor::Rgb(150, 118, 78));
  const PixelFont font(PixelFont::Size::Medium5x7);
  const std::string name = floor == 0 ? "B" : std::to_string(floor);
  font.DrawText(c, 5, centre - 7, name, 2, kRed);
}

void DrawShaft(Canvas& c) {
  c.FillRect(23, 13, 118, 484, kShaftGrey);
  // Guide rails down both sides and a sill at each landing, kept faint so the car reads
  // clearly in front of them.
  c.FillRect(25, 13, 27, 484, FColor::Rgb(42, 42, 42));
  c.FillRect(113, 13, 115, 484, FColor::Rgb(42, 42, 42));
  for (int f = 0; f < 6; ++f) {
    const int line = 485 - 80 * f;
    if (line < 483) c.FillRect(23, float(line - 2), 118, float(line), FColor::Rgb(60, 60, 60));
  }
}

// Plain speckled wall with a shaded ceiling and a skirting board.
void DrawWall(Canvas& c, const FloorBand& band, uint32_t seed) {
  for (int y = band.top; y <= band.bottom; ++y) {
    // A little darker under the ceiling, where the ceiling lights do not reach.
    const float fromTop = float(y - band.top);
    const float shade = fromTop < 6 ? 0.86f + 0.023f * fromTop : 1.f;
    for (int x = kBandLeft; x <= kBandRight; ++x) {
      const float n = HashUnit(uint32_t(x), uint32_t(y), seed);
      float k = shade * (0.965f + 0.07f * n);
      if (n > 0.985f) k *= 0.9f;  // the odd darker fleck of the plaster
      c.SetPixel(x, y, kSand * k);
    }
  }
  c.FillRect(kBandLeft, float(band.bottom - 2), kBandRight + 1, float(band.bottom + 1),
             FColor::Rgb(150, 118, 84));
  c.FillRect(kBandLeft, float(band.bottom - 3), kBandRight + 1, float(band.bottom - 2),
             FColor::Rgb(186, 156, 116));
}

void DrawWindow(Canvas& c, int x, int y, int w, int h) {
  c.FillRect(float(x - 2), float(y - 2), float(x + w + 2), float(y + h + 3),
             FColor::Rgb(120, 100, 74));
  const FColor top = FColor::Rgb(128, 170, 206);
  const FColor bottom = FColor::Rgb(196, 220, 232);
  for (int yy = y; yy < y + h; ++yy) {
    const FColor sky = Mix(top, bottom, float(yy - y) / float(h));
    c.FillRect(float(x), float(yy), float(x + w), float(yy + 1), sky);
  }
  // A glint across the glass and the cross of the frame.
  for (int k = 0; k < 6; ++k) {
    c.DrawLine(float(x + 4 + k), float(y + h - 2), float(x + w / 2 + k), float(y + 2), 1.2f,
               FColor::Rgb(235, 245, 250), 0.35f);
  }
  c.FillRect(float(x + w / 2 - 1), float(y), float(x + w / 2 + 1), float(y + h),
             FColor::Rgb(120, 100, 74));
  c.FillRect(float(x), float(y + h / 2 - 1), float(x + w), float(y + h / 2 + 1),
             FColor::Rgb(120, 100, 74));
  c.FillRect(float(x - 3), float(y + h + 1), float(x + w + 3), float(y + h + 4),
             FColor::Rgb(236, 226, 206));
}

void DrawDoor(Canvas& c, int x, int floorBottom, FColor wood) {
  const int h = 50;
  const int w = 28;
  const int top = floorBottom - 3 - h;
  c.FillRect(float(x - 3), float(top - 3), float(x + w + 3), float(floorBottom - 2),
             FColor::Rgb(130, 106, 78));
  c.FillRect(float(x), float(top), float(x + w), float(floorBottom - 2), wood);
  c.FillRect(float(x + 4), float(top + 5), float(x + w - 4), float(top + 21), wood * 0.86f);
  c.FillRect(float(x + 4), float(top + 26), float(x + w - 4), float(floorBottom - 8), wood * 0.86f);
  c.FillCircle(float(x + 5), float(top + 27), 1.6f, FColor::Rgb(232, 206, 120));
}

void DrawPlant(Canvas& c, int x, int floorBottom) {
  const float base = float(floorBottom - 3);
  c.FillPolygon(std::vector<PointF>{{float(x), base - 12},
                                    {float(x + 14), base - 12},
                                    {float(x + 12), base},
                                    {float(x + 2), base}},
                FColor::Rgb(176, 92, 54));
  const FColor leaf = FColor::Rgb(62, 130, 58);
  const float cx = float(x + 7);
  const float cy = base - 12;
  for (int i = 0; i < 7; ++i) {
    const float dx = -12.f + 4.f * float(i);
    c.DrawLine(cx, cy, cx + dx, cy - 16 - float((i * 5) % 7), 3.2f, i % 2 ? leaf : leaf * 0.8f);
  }
}

void DrawCeilingLamp(Canvas& c, int x, int top) {
  c.FillRect(float(x), float(top), float(x + 26), float(top + 3), FColor::Rgb(246, 244, 230));
  for (int y = top + 3; y < top + 16; ++y) {
    const float k = 1 - float(y - top - 3) / 13.f;
    c.FillRect(float(x - 2 - (y - top)), float(y), float(x + 28 + (y - top)), float(y + 1),
               FColor::Rgb(255, 250, 225), 0.10f * k);
  }
}

void DrawNoticeBoard(Canvas& c, int x, int y) {
  c.FillRect(float(x), float(y), float(x + 30), float(y + 22), FColor::Rgb(150, 110, 70));
  c.FillRect(float(x + 2), float(y + 2), float(x + 28), float(y + 20), FColor::Rgb(196, 160, 110));
  const FColor notes[] = {FColor::Rgb(250, 250, 240), FColor::Rgb(250, 230, 140),
                          FColor::Rgb(200, 230, 250)};
  c.FillRect(float(x + 4), float(y + 4), float(x + 13), float(y + 15), notes[0]);
  c.FillRect(float(x + 15), float(y + 5), float(x + 25), float(y + 11), notes[1]);
  c.FillRect(float(x + 16), float(y + 13), float(x + 26), float(y + 18), notes[2]);
}

void DrawPipes(Canvas& c, const FloorBand& band) {
  for (int k = 0; k < 2; ++k) {
    const float y = float(band.top + 4 + 6 * k);
    c.FillRect(330, y, float(kBandRight + 1), y + 4, FColor::Rgb(150, 150, 146));
    c.FillRect(330, y, float(kBandRight + 1), y + 1, FColor::Rgb(190, 190, 186));
    for (int x = 360; x < kBandRight; x += 70) {
      c.FillRect(float(x), y - 1, float(x + 3), y + 5, FColor::Rgb(120, 120, 116));
    }
  }
}

void DrawStripes(Canvas& c, int x, int floorBottom) {
  // Yellow and black hazard paint at the foot of a pillar in the basement.
  c.FillRect(float(x), float(floorBottom - 3 - 56), float(x + 14), float(floorBottom - 2),
             FColor::Rgb(176, 172, 164));
  for (int i = 0; i < 4; ++i) {
    const float y = float(floorBottom - 3 - 4 * (i + 1));
    c.FillRect(float(x), y, float(x + 14), y + 4,
               i % 2 ? FColor::Rgb(40, 40, 40) : FColor::Rgb(236, 196, 40));
  }
}

}  // namespace

FloorBand BuildingFloorBand(int floor) {
  return kBands[floor];
}

Canvas DrawBuildingPicture() {
  Canvas c(kWidth, kHeight, FColor{});
  DrawShaft(c);
  for (int f = 0; f < 6; ++f) {
    const FloorBand band = kBands[f];
    DrawFloorTab(c, f);
    DrawWall(c, band, 7000u + uint32_t(f));
    for (int x = 360; x < 600; x += 120) DrawCeilingLamp(c, x, band.top);
    const int windowTop = band.top + 16;
    switch (f) {
      case 0:
        DrawPipes(c, band);
        DrawStripes(c, 430, band.bottom);
        DrawDoor(c, 560, band.bottom, FColor::Rgb(120, 130, 140));
        break;
      case 1:
        DrawNoticeBoard(c, 400, band.top + 18);
        // The entrance: glass doors onto the street.
        c.FillRect(520, float(band.bottom - 58), 606, float(band.bottom - 2),
                   FColor::Rgb(120, 120, 118));
        for (int x : {523, 564}) {
          c.FillRect(float(x), float(band.bottom - 55), float(x + 40), float(band.bottom - 2),
                     FColor::Rgb(170, 206, 220));
          c.DrawLine(float(x + 6), float(band.bottom - 8), float(x + 20), float(band.bottom - 50),
                     3, FColor::Rgb(226, 240, 246), 0.6f);
        }
        c.FillRect(562, float(band.bottom - 55), 565, float(band.bottom - 2),
                   FColor::Rgb(120, 120, 118));
        break;
      case 2:
        DrawWindow(c, 400, windowTop, 64, 30);
        DrawDoor(c, 540, band.bottom, FColor::Rgb(150, 100, 60));
        break;
      case 3:
        DrawPlant(c, 390, band.bottom);
        DrawWindow(c, 450, windowTop, 64, 30);
        DrawWindow(c, 540, windowTop, 50, 30);
        break;
      case 4:
        DrawNoticeBoard(c, 420, band.top + 20);
        DrawDoor(c, 500, band.bottom, FColor::Rgb(140, 92, 56));
        DrawPlant(c, 570, band.bottom);
        break;
      case 5:
        DrawWindow(c, 390, windowTop - 4, 60, 28);
        DrawWindow(c, 480, windowTop - 4, 60, 28);
        DrawPlant(c, 572, band.bottom);
        break;
    }
  }
  return c;
}

Canvas DrawCarPicture() {
  Canvas c(95, 70, FColor::Rgb(28, 44, 16));
  c.FillRect(1, 1, 94, 69, kCarGreen);
  return c;
}

}  // namespace vt
