#include "tools/assetgen/People.h"

#include <cmath>
#include <initializer_list>
#include <vector>

namespace vt {

namespace {

// Figures are drawn eight times larger than their pictures and then reduced, so that every
// pixel gets the mean colour of what covers it and the outline stays a clean hard edge.
constexpr int kOversample = 8;

// Shape drawing in picture pixels onto the oversampled canvas.
class Sketch {
 public:
  Sketch(int width, int height) : m_canvas(width * kOversample, height * kOversample) {}

  void Rect(float x0, float y0, float x1, float y1, FColor c) {
    m_canvas.FillRect(x0 * k, y0 * k, x1 * k, y1 * k, c);
  }
  void Circle(float cx, float cy, float r, FColor c) {
    m_canvas.FillCircle(cx * k, cy * k, r * k, c);
  }
  void Ellipse(float cx, float cy, float rx, float ry, FColor c) {
    m_canvas.FillEllipse(cx * k, cy * k, rx * k, ry * k, c);
  }
  void Line(float x0, float y0, float x1, float y1, float w, FColor c) {
    m_canvas.DrawLine(x0 * k, y0 * k, x1 * k, y1 * k, w * k, c);
  }
  void Poly(std::initializer_list<PointF> points, FColor c) {
    std::vector<PointF> scaled;
    for (PointF p : points) scaled.push_back({p.x * k, p.y * k});
    m_canvas.FillPolygon(scaled, c);
  }

  // The top half of an ellipse standing on baseY: domes of hats.
  void Dome(float cx, float baseY, float rx, float ry, FColor c) {
    std::vector<PointF> points;
    for (int i = 0; i <= 24; ++i) {
      const float a = 3.14159265f * float(i) / 24.f;
      points.push_back({(cx - rx * std::cos(a)) * k, (baseY - ry * std::sin(a)) * k});
    }
    m_canvas.FillPolygon(points, c);
  }

  // Reduces to picture size, puts the figure on its ground and rings it with a dark outline.
  Canvas Finish(FColor ground, FColor outline) const {
    const Canvas small =
        m_canvas.Resampled(m_canvas.Width() / kOversample, m_canvas.Height() / kOversample);
    Canvas out = small.FlattenedOnto(ground);
    const int w = out.Width();
    const int h = out.Height();
    auto figure = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < w && y < h && small.AlphaAt(x, y) >= 0.5f;
    };
    std::vector<bool> painted(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (figure(x, y)) {
          painted[size_t(y) * size_t(w) + size_t(x)] = true;
        } else if (figure(x - 1, y) || figure(x + 1, y) || figure(x, y - 1) || figure(x, y + 1)) {
          out.SetPixel(x, y, outline);
          painted[size_t(y) * size_t(w) + size_t(x)] = true;
        }
      }
    }
    // The ground colour must stay unique to the ground, or part of the figure would vanish.
    const std::vector<uint8_t> groundBytes = Canvas(1, 1, ground).ToRgb8(Dither::None);
    const std::vector<uint8_t> bytes = out.ToRgb8(Dither::None);
    for (size_t i = 0; i < painted.size(); ++i) {
      if (painted[i] && bytes[i * 3] == groundBytes[0] && bytes[i * 3 + 1] == groundBytes[1] &&
          bytes[i * 3 + 2] == groundBytes[2]) {
        const int x = int(i % size_t(w));
        const int y = int(i / size_t(w));
        FColor c = out.ColorAt(x, y);
        c.g = c.g > 128 ? c.g - 3 : c.g + 3;
        out.SetPixel(x, y, c);
      }
    }
    return out;
  }

 private:
  static constexpr float k = kOversample;
  Canvas m_canvas;
};

constexpr FColor kSkin = FColor::Rgb(246, 204, 166);
constexpr FColor kSkinShade = FColor::Rgb(222, 170, 130);
constexpr FColor kEye = FColor::Rgb(40, 30, 30);
constexpr FColor kOutline = FColor::Rgb(38, 30, 42);

// What a standing figure wears; the body is the same for all adults, seen from the side and
// facing left, centred on x = cx.
struct Outfit {
  FColor hair;
  FColor top;       // jacket, coat or shirt
  FColor topShade;  // the far arm and the shaded side
  FColor legs;
  FColor legsShade;
  FColor shoes;
};

struct Pose {
  float cx = 22.5f;
  float headY = 8.2f;  // centre of the head
  float headR = 4.7f;
  float shoulderY = 14.5f;
  float hipY = 30;
  float lean = 0;       // forward lean of the upper body, in pixels at the shoulders
  float depth = 9;      // front-to-back size of the torso
  float stride = 2.4f;  // half the distance between the feet
};

void DrawLegs(Sketch& s, const Pose& p, const Outfit& o, float legWidth = 3.8f) {
  const float hipX = p.cx + 0.8f;
  // Far leg first, a shade darker, then the near leg over it.
  s.Line(hipX + 1, p.hipY, p.cx + p.stride + 0.6f, 46.8f, legWidth, o.legsShade);
  s.Line(hipX - 0.5f, p.hipY, p.cx - p.stride + 0.4f, 46.8f, legWidth, o.legs);
  // Shoes pointing left.
  for (float fx : {p.cx + p.stride + 0.6f, p.cx - p.stride + 0.4f}) {
    s.Poly(
        {{fx - 4.6f, 50}, {fx - 4.6f, 48.6f}, {fx - 3.2f, 47.2f}, {fx + 2, 46.4f}, {fx + 2.2f, 50}},
        fx > p.cx ? o.shoes * 0.8f : o.shoes);
  }
}

void DrawTorso(Sketch& s, const Pose& p, FColor top, float bottomY, float flare = 0) {
  const float front = p.cx - p.depth / 2;
  const float back = p.cx + p.depth / 2;
  s.Poly({{front - p.lean + 0.6f, p.shoulderY},
          {back - p.lean - 0.4f, p.shoulderY - 0.3f},
          {back + 0.4f + flare, bottomY},
          {front - 0.3f - flare, bottomY}},
         top);
  // Round shoulders.
  s.Circle(p.cx - p.lean + 0.2f, p.shoulderY + 2.2f, p.depth / 2 - 0.2f, top);
}

void DrawHead(Sketch& s, const Pose& p, FColor hair, bool shortHair = true) {
  const float x = p.cx - p.lean - 1;
  const float y = p.headY;
  const float r = p.headR;
  // Neck, head, nose, ear, eye.
  s.Rect(x - 0.6f, y + r - 1.5f, x + 2.4f, p.shoulderY + 1, kSkinShade);
  s.Circle(x, y, r, kSkin);
  s.Circle(x - r + 0.1f, y + 0.8f, 1.1f, kSkin);
  if (shortHair) {
    s.Poly({{x - r - 0.3f, y - 1.2f},
            {x - r + 0.6f, y - r + 0.6f},
            {x - 1, y - r - 0.8f},
            {x + r - 0.8f, y - r + 0.4f},
            {x + r + 0.5f, y - 0.5f},
            {x + r + 0.2f, y + 2.6f},
            {x + 2.2f, y + 2.8f},
            {x + 1.2f, y - 0.6f},
            {x - 1.8f, y - 1.6f}},
           hair);
  }
  s.Ellipse(x + 1.4f, y + 0.9f, 0.9f, 1.3f, kSkinShade);
  s.Rect(x - r + 1.6f, y - 0.4f, x - r + 2.8f, y + 1.0f, kEye);
}

void DrawArm(Sketch& s, const Pose& p, FColor sleeve, float handX, float handY) {
  const float sx = p.cx - p.lean + 0.6f;
  const float sy = p.shoulderY + 1.8f;
  s.Line(sx, sy, handX + 0.3f, handY - 2.2f, 3.3f, sleeve);
  s.Circle(handX, handY, 1.6f, kSkin);
}

Canvas OfficeWorker() {
  Sketch s(45, 50);
  const Outfit o{FColor::Rgb(52, 36, 28), FColor::Rgb(46, 58, 96), FColor::Rgb(34, 44, 76),
                 FColor::Rgb(50, 60, 96), FColor::Rgb(36, 44, 74), FColor::Rgb(34, 30, 32)};
  Pose p;
  DrawLegs(s, p, o);
  DrawTorso(s, p, o.top, 33);
  // Shirt collar and tie at the front of the chest.
  s.Poly({{p.cx - 4.2f, 14.6f}, {p.cx - 1.6f, 14.4f}, {p.cx - 3.4f, 19}},
         FColor::Rgb(244, 244, 240));
  s.Line(p.cx - 3.9f, 16, p.cx - 4.3f, 22, 1.4f, FColor::Rgb(200, 30, 40));
  DrawHead(s, p, o.hair);
  // The briefcase hangs from the near hand.
  const float hx = p.cx - 1.5f;
  const float hy = 31;
  s.Rect(hx - 2.2f, hy - 0.8f, hx + 2.2f, hy + 0.6f, FColor::Rgb(70, 42, 22));
  s.Rect(hx - 6, hy + 0.6f, hx + 6.5f, hy + 9.5f, FColor::Rgb(120, 74, 36));
  s.Rect(hx - 6, hy + 0.6f, hx + 6.5f, hy + 1.8f, FColor::Rgb(150, 96, 50));
  s.Rect(hx - 0.6f, hy + 2.6f, hx + 1.2f, hy + 4, FColor::Rgb(220, 190, 90));
  DrawArm(s, p, o.top * 0.92f, hx, hy - 0.4f);
  return s.Finish(kHitoGround, kOutline);
}

Canvas Student() {
  Sketch s(45, 50);
  const Outfit o{FColor::Rgb(30, 26, 30),  FColor::Rgb(84, 150, 214), FColor::Rgb(62, 118, 180),
                 FColor::Rgb(56, 74, 120), FColor::Rgb(42, 56, 94),   FColor::Rgb(236, 236, 232)};
  Pose p;
  p.headY = 9.4f;
  p.shoulderY = 15.6f;
  p.hipY = 30.5f;
  DrawLegs(s, p, o);
  // Red stripe on the trainers.
  for (float fx : {p.cx + p.stride + 0.6f, p.cx - p.stride + 0.4f}) {
    s.Rect(fx - 2.6f, 48.2f, fx + 1.8f, 49, FColor::Rgb(214, 50, 44));
  }
  // Backpack behind the back, with its strap over the shoulder.
  s.Poly({{p.cx + 3.4f, 16},
          {p.cx + 8.8f, 16.5f},
          {p.cx + 10, 19},
          {p.cx + 10, 28.5f},
          {p.cx + 8.8f, 30},
          {p.cx + 3.4f, 30}},
         FColor::Rgb(232, 120, 36));
  s.Rect(p.cx + 8, 22, p.cx + 10.6f, 28, FColor::Rgb(196, 92, 24));
  DrawTorso(s, p, o.top, 32.5f);
  s.Line(p.cx + 3.4f, 16.5f, p.cx + 1, 27, 1.2f, FColor::Rgb(170, 80, 20));
  // Hood lying on the back of the neck.
  s.Ellipse(p.cx + 3, 16, 2.6f, 1.8f, o.topShade);
  // A cap with its peak to the front.
  DrawHead(s, p, o.hair);
  const float x = p.cx - 1;
  s.Poly({{x - 4.8f, p.headY - 1.6f},
          {x - 3.6f, p.headY - 4.4f},
          {x, p.headY - 5.4f},
          {x + 3.8f, p.headY - 4.4f},
          {x + 4.9f, p.headY - 1.2f}},
         FColor::Rgb(206, 40, 48));
  s.Poly({{x - 8.5f, p.headY - 1.4f}, {x - 3.8f, p.headY - 2.2f}, {x - 3.6f, p.headY - 1.0f}},
         FColor::Rgb(160, 28, 36));
  // Hand in the pocket: the sleeve ends at the hip.
  s.Line(p.cx + 0.6f, p.shoulderY + 1.8f, p.cx - 0.5f, 27, 3.3f, o.topShade);
  s.Line(p.cx - 0.5f, 27, p.cx - 1.5f, 28.5f, 3.3f, o.topShade);
  return s.Finish(kHitoGround, kOutline);
}

Canvas Shopper() {
  Sketch s(45, 50);
  const FColor coat = FColor::Rgb(196, 52, 66);
  const Outfit o{FColor::Rgb(120, 66, 34),
                 coat,
                 coat * 0.82f,
                 FColor::Rgb(60, 48, 56),
                 FColor::Rgb(46, 36, 44),
                 FColor::Rgb(90, 40, 30)};
  Pose p;
  p.headY = 9;
  p.stride = 1.8f;
  DrawLegs(s, p, o, 3.0f);
  // Long hair down the back, behind the head and coat.
  s.Poly({{p.cx - 1, 4.2f},
          {p.cx + 4.4f, 5.6f},
          {p.cx + 5.6f, 12},
          {p.cx + 5.2f, 19},
          {p.cx + 1.2f, 19},
          {p.cx + 0.5f, 10}},
         o.hair);
  // A coat to the knees, flaring slightly.
  DrawTorso(s, p, coat, 39, 1.6f);
  s.Line(p.cx - 3.6f, 24, p.cx + 4, 24, 1.3f, coat * 0.7f);  // belt
  s.Circle(p.cx - 4.1f, 19, 0.6f, FColor::Rgb(240, 220, 160));
  s.Circle(p.cx - 4.4f, 28, 0.6f, FColor::Rgb(240, 220, 160));
  DrawHead(s, p, o.hair, false);
  const float x = p.cx - 1;
  s.Poly({{x - 4.9f, p.headY - 0.6f},
          {x - 4.2f, p.headY - 3.8f},
          {x - 0.5f, p.headY - 5.6f},
          {x + 4.2f, p.headY - 4},
          {x + 5.2f, p.headY},
          {x + 3.2f, p.headY + 3.6f},
          {x + 1.6f, p.headY - 0.4f},
          {x - 2.6f, p.headY - 2.2f}},
         o.hair);
  // A paper shopping bag with a baguette and a leek sticking out.
  const float bx = p.cx - 11;
  s.Line(bx + 3, 24, bx + 2.2f, 31, 2.2f, FColor::Rgb(236, 196, 120));
  s.Line(bx + 5.5f, 24, bx + 4.2f, 31, 1.6f, FColor::Rgb(88, 170, 70));
  s.Line(bx + 5.5f, 24, bx + 5.9f, 21.6f, 1.4f, FColor::Rgb(60, 140, 50));
  s.Rect(bx, 30, bx + 8.6f, 42, FColor::Rgb(204, 162, 108));
  s.Rect(bx, 30, bx + 8.6f, 31.2f, FColor::Rgb(176, 134, 84));
  s.Rect(bx + 1.6f, 34, bx + 7, 37.5f, FColor::Rgb(230, 226, 216));
  s.Line(bx + 2.2f, 30.2f, bx + 6.8f, 30.2f, 1, FColor::Rgb(120, 84, 50));
  DrawArm(s, p, coat * 0.9f, bx + 4.4f, 30.4f);
  return s.Finish(kHitoGround, kOutline);
}

Canvas Worker() {
  Sketch s(45, 50);
  const Outfit o{FColor::Rgb(60, 40, 24),  FColor::Rgb(52, 90, 160), FColor::Rgb(40, 70, 128),
                 FColor::Rgb(46, 76, 136), FColor::Rgb(36, 60, 110), FColor::Rgb(110, 70, 36)};
  Pose p;
  p.depth = 10;
  DrawLegs(s, p, o, 4.2f);
  DrawTorso(s, p, o.top, 33);
  // The orange safety vest with its reflective bands.
  const float front = p.cx - p.depth / 2;
  s.Poly({{front + 0.8f, 16},
          {front + p.depth - 1, 15.6f},
          {front + p.depth + 0.2f, 30},
          {front - 0.1f, 30}},
         FColor::Rgb(250, 130, 30));
  s.Rect(front - 0.2f, 22, front + p.depth + 0.3f, 23.4f, FColor::Rgb(220, 226, 230));
  s.Rect(front - 0.2f, 26.5f, front + p.depth + 0.3f, 27.9f, FColor::Rgb(220, 226, 230));
  DrawHead(s, p, o.hair);
  // The hard hat: a dome with a brim that sticks out at the front.
  const float x = p.cx - 1;
  s.Dome(x + 0.3f, p.headY - 1.2f, 5.2f, 5.0f, FColor::Rgb(250, 204, 32));
  s.Poly({{x - 7.6f, p.headY - 1.4f},
          {x + 5.8f, p.headY - 1.4f},
          {x + 5.8f, p.headY},
          {x - 7.2f, p.headY}},
         FColor::Rgb(236, 184, 20));
  s.Rect(x - 0.4f, p.headY - 6.2f, x + 1.6f, p.headY - 1.4f, FColor::Rgb(255, 226, 90));
  // The red toolbox in the near hand.
  const float hx = p.cx - 2;
  const float hy = 31.5f;
  s.Rect(hx - 7, hy + 1.2f, hx + 6, hy + 8.5f, FColor::Rgb(200, 36, 30));
  s.Rect(hx - 7, hy + 1.2f, hx + 6, hy + 2.4f, FColor::Rgb(230, 70, 60));
  s.Rect(hx - 2.5f, hy - 0.6f, hx + 2.5f, hy + 1.2f, FColor::Rgb(60, 60, 64));
  s.Rect(hx - 1, hy + 4.2f, hx + 1, hy + 5.4f, FColor::Rgb(200, 200, 200));
  DrawArm(s, p, o.top * 0.9f, hx, hy);
  return s.Finish(kHitoGround, kOutline);
}

Canvas ElderlyMan() {
  Sketch s(45, 50);
  const Outfit o{FColor::Rgb(200, 200, 204), FColor::Rgb(176, 146, 104), FColor::Rgb(150, 122, 84),
                 FColor::Rgb(104, 84, 70),   FColor::Rgb(84, 66, 54),    FColor::Rgb(52, 40, 34)};
  Pose p;
  p.cx = 24;
  p.lean = 2.6f;
  p.headY = 10.2f;
  p.shoulderY = 16.4f;
  p.hipY = 31;
  p.stride = 2;
  DrawLegs(s, p, o);
  DrawTorso(s, p, o.top, 33.5f);
  // Cardigan buttons down the front.
  for (float y : {20.f, 24.f, 28.f}) {
    s.Circle(p.cx - p.depth / 2 + 0.6f - p.lean * (33.5f - y) / 17, y, 0.55f,
             FColor::Rgb(90, 70, 50));
  }
  DrawHead(s, p, o.hair);
  // A flat cap and a white moustache.
  const float x = p.cx - p.lean - 1;
  s.Poly({{x - 5.8f, p.headY - 2.2f},
          {x - 3.4f, p.headY - 5.2f},
          {x + 2, p.headY - 5.4f},
          {x + 5, p.headY - 3.2f},
          {x + 4.8f, p.headY - 1.6f},
          {x - 4.4f, p.headY - 1.2f}},
         FColor::Rgb(96, 100, 84));
  s.Rect(x - 4.6f, p.headY + 1.8f, x - 2.4f, p.headY + 2.8f, FColor::Rgb(236, 236, 236));
  s.Line(x - 2.6f, p.headY - 0.2f, x - 0.4f, p.headY - 0.2f, 0.7f, FColor::Rgb(70, 70, 80));
  // The cane reaches the floor ahead of the feet.
  const float hx = p.cx - p.lean - 6.5f;
  const float hy = 29;
  s.Line(hx, hy, hx - 3.2f, 49.6f, 1.5f, FColor::Rgb(92, 56, 30));
  s.Line(hx - 2.6f, hy - 0.6f, hx + 0.6f, hy - 0.6f, 1.8f, FColor::Rgb(92, 56, 30));
  DrawArm(s, p, o.topShade, hx, hy);
  return s.Finish(kHitoGround, kOutline);
}

}  // namespace

Canvas DrawHito(int index) {
  switch (index) {
    case 0:
      return OfficeWorker();
    case 1:
      return Student();
    case 2:
      return Shopper();
    case 3:
      return Worker();
    default:
      return ElderlyMan();
  }
}

Canvas DrawTemplatePerson() {
  Sketch s(18, 50);
  const FColor coat = FColor::Rgb(242, 242, 236);
  const Outfit o{FColor::Rgb(116, 70, 36),   coat,
                 FColor::Rgb(206, 208, 204), FColor::Rgb(70, 70, 80),
                 FColor::Rgb(56, 56, 64),    FColor::Rgb(60, 44, 36)};
  Pose p;
  p.cx = 9.5f;
  p.depth = 8;
  p.stride = 1.8f;
  DrawLegs(s, p, o, 3.2f);
  DrawTorso(s, p, coat, 38, 1.0f);
  s.Line(p.cx - 3.6f, 16, p.cx - 4.6f, 37.5f, 0.8f, FColor::Rgb(196, 198, 194));
  DrawHead(s, p, o.hair);
  DrawArm(s, p, o.topShade, p.cx - 2, 30);
  return s.Finish(FColor{}, FColor::Rgb(48, 48, 52));
}

Canvas DrawRooftopWorker() {
  Sketch s(39, 50);
  const FColor yellow = FColor::Rgb(250, 206, 30);
  const FColor black = FColor::Rgb(36, 34, 36);
  const FColor brown = FColor::Rgb(128, 78, 40);
  const FColor red = FColor::Rgb(214, 34, 30);
  // The patch of grass he stands on.
  s.Ellipse(19.5f, 47.6f, 17, 2.6f, FColor::Rgb(70, 170, 60));
  s.Ellipse(19.5f, 47.0f, 15, 1.6f, FColor::Rgb(100, 200, 80));
  // Stout legs and boots.
  s.Rect(12.5f, 36, 18.5f, 45.5f, brown);
  s.Rect(20.5f, 36, 26.5f, 45.5f, brown * 0.9f);
  s.Ellipse(14.5f, 46.2f, 4.6f, 2.2f, FColor::Rgb(70, 44, 26));
  s.Ellipse(24.5f, 46.2f, 4.6f, 2.2f, FColor::Rgb(70, 44, 26));
  // A round body in a yellow and black striped shirt.
  s.Ellipse(19.5f, 28.5f, 10.5f, 9.5f, yellow);
  for (float y : {22.5f, 27.f, 31.5f}) {
    s.Poly({{9.2f, y}, {29.8f, y}, {29.8f, y + 2.2f}, {9.2f, y + 2.2f}}, black);
  }
  s.Ellipse(19.5f, 37, 9.2f, 2.6f, brown);
  s.Rect(10.6f, 35, 28.4f, 37.5f, brown);
  s.Rect(10.6f, 35, 28.4f, 36.2f, FColor::Rgb(90, 54, 26));  // belt
  // The long red shovel, held upright: a T grip at the top, the blade resting on the grass.
  s.Line(7.0f, 4.5f, 8.2f, 40.5f, 2.2f, red);
  s.Line(4.4f, 4.0f, 9.8f, 3.8f, 2.0f, red * 0.85f);
  s.Poly({{5.0f, 40}, {11.4f, 39.8f}, {11.2f, 46.2f}, {8.3f, 48.6f}, {5.2f, 46.4f}}, red * 0.8f);
  s.Line(8.2f, 40.6f, 8.3f, 46.8f, 0.8f, red);
  s.Line(10, 26, 7.8f, 26.6f, 3.4f, yellow);
  s.Circle(8.2f, 26.8f, 2.2f, kSkin);
  s.Line(27, 23, 29.5f, 31, 3.6f, yellow);
  s.Circle(29.6f, 32, 2.2f, kSkin);
  // A big friendly head under a yellow hard hat.
  s.Circle(19.5f, 13.2f, 7.4f, kSkin);
  s.Dome(19.5f, 10.2f, 8.0f, 7.6f, yellow);
  s.Rect(10.0f, 9.2f, 29.0f, 11.4f, FColor::Rgb(232, 180, 20));
  s.Rect(18.4f, 3.5f, 20.6f, 9.2f, FColor::Rgb(255, 232, 110));
  s.Circle(16.6f, 14.2f, 1.0f, kEye);
  s.Circle(22.4f, 14.2f, 1.0f, kEye);
  s.Line(16.8f, 17.6f, 19.5f, 18.6f, 0.9f, FColor::Rgb(150, 60, 50));
  s.Line(19.5f, 18.6f, 22.2f, 17.6f, 0.9f, FColor::Rgb(150, 60, 50));
  s.Circle(14.4f, 16.4f, 1.1f, FColor::Rgb(246, 170, 150));
  s.Circle(24.6f, 16.4f, 1.1f, FColor::Rgb(246, 170, 150));
  return s.Finish(FColor::Rgb(255, 255, 255), FColor::Rgb(52, 44, 40));
}

}  // namespace vt
