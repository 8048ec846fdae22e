#include "tools/assetgen/CityScape.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

constexpr int kLayers = 5;

// How each depth of the city is built, nearest last. Sizes in pixels of a 1080-line picture;
// base is how far below the horizon the towers of the layer stand, as a share of the height.
struct LayerPlan {
  float base;
  float minHeight;
  float maxHeight;
  float minWidth;
  float maxWidth;
  float cell;   // window pitch across
  float depth;  // how much the back of a tower recedes towards the vanishing point
  float haze;
  float minGap;  // the gap to the next tower, as a share of the tower's width
  float maxGap;
};

constexpr LayerPlan kLayerPlans[kLayers] = {
    {0.012f, 14, 110, 12, 44, 3.2f, 0.015f, 0.80f, -0.2f, 0.5f},
    {0.095f, 40, 250, 24, 70, 5.0f, 0.035f, 0.58f, 0.0f, 0.9f},
    {0.235f, 80, 360, 48, 120, 7.5f, 0.055f, 0.40f, 0.2f, 1.3f},
    {0.44f, 140, 520, 90, 200, 11.f, 0.085f, 0.22f, 0.3f, 1.7f},
    {0.64f, 720, 1000, 200, 300, 15.f, 0.13f, 0.08f, 0.0f, 0.5f},
};

float Clamp01(float v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}
float SmoothStep(float a, float b, float x) {
  const float t = Clamp01((x - a) / (b - a));
  return t * t * (3 - 2 * t);
}

}  // namespace

CityScape::CityScape(const CityMood& mood, int width, int height)
    : m_mood(mood),
      m_width(width),
      m_height(height),
      m_scale(float(height) / 1080.f),
      m_horizonY(mood.horizon * float(height)),
      m_canvas(width, height, FColor{}),
      m_random(mood.seed) {
  for (const LayerPlan& plan : kLayerPlans) {
    m_layerBase.push_back(m_horizonY + plan.base * float(height));
  }
}

FColor CityScape::SkyColor(float y) const {
  const float t = y / m_horizonY;
  if (t <= 0.55f) return Mix(m_mood.skyTop, m_mood.skyMid, Clamp01(t / 0.55f));
  if (t <= 1) return Mix(m_mood.skyMid, m_mood.skyHorizon, (t - 0.55f) / 0.45f);
  return m_mood.skyHorizon;
}

float CityScape::HazeAt(int layer, float y, float base) const {
  float h = kLayerPlans[layer].haze * m_mood.haze;
  // Mist lies low: the lowest storeys of each row of towers fade into it.
  h += m_mood.groundMist * SmoothStep(base - 160 * m_scale, base, y);
  return Clamp01(h);
}

void CityScape::DrawSky() {
  for (int y = 0; y < m_height; ++y) {
    const FColor row = SkyColor(float(y));
    for (int x = 0; x < m_width; ++x) m_canvas.SetPixel(x, y, row);
  }
  if (m_mood.horizonGlowStrength > 0) {
    // A broad, flattened glow resting on the horizon.
    const float cx = m_mood.horizonGlowX * float(m_width);
    const float rx = 0.75f * float(m_width);
    const float ry = 0.55f * float(m_height);
    for (int y = 0; y < m_height; ++y) {
      const float dy = (float(y) - m_horizonY) / ry;
      for (int x = 0; x < m_width; ++x) {
        const float dx = (float(x) - cx) / rx;
        const float q = 1 - (dx * dx + dy * dy);
        if (q > 0) m_canvas.AddLight(x, y, m_mood.horizonGlow, m_mood.horizonGlowStrength * q * q);
      }
    }
  }
}

void CityScape::DrawStarsAndBody() {
  const int stars = int(m_mood.stars * 900 * float(m_width) * float(m_height) / (1920.f * 1080.f));
  Random rnd(m_mood.seed * 31u + 7u);
  for (int i = 0; i < stars; ++i) {
    const float x = rnd.Range(0, float(m_width));
    const float y = rnd.Range(0, m_horizonY * 0.9f);
    const float fade = 1 - y / (m_horizonY * 0.9f);
    const float b = rnd.Range(0.15f, 1.f) * fade;
    const bool big = rnd.Chance(0.06f);
    const FColor c = rnd.Chance(0.2f) ? FColor::Rgb(255, 226, 200) : FColor::Rgb(220, 232, 255);
    m_canvas.FillCircle(x, y, big ? 1.2f * m_scale + 0.3f : 0.6f, c, std::min(1.f, b * 1.3f));
  }
  if (m_mood.body == CityMood::Body::None) return;
  const float bx = m_mood.bodyX * float(m_width);
  const float by = m_mood.bodyY * float(m_height);
  const float r = m_mood.bodyRadius * m_scale;
  if (r <= 0) return;
  if (m_mood.body == CityMood::Body::Moon) {
    m_canvas.FillCircle(bx, by, r, m_mood.bodyColor);
    // Darker seas on the moon's face.
    Random seas(m_mood.seed + 5u);
    for (int i = 0; i < 7; ++i) {
      const float a = seas.Range(0, 6.283f);
      const float d = seas.Range(0, 0.6f) * r;
      m_canvas.FillCircle(bx + std::cos(a) * d, by + std::sin(a) * d, seas.Range(0.12f, 0.3f) * r,
                          m_mood.bodyColor * 0.82f, 0.5f);
    }
  } else {
    m_canvas.FillCircle(bx, by, r, m_mood.bodyColor);
  }
}

void CityScape::DrawClouds() {
  if (m_mood.cloudCover <= 0) return;
  constexpr int kStep = 4;
  const int w = m_width / kStep + 2;
  const int h = m_height / kStep + 2;
  std::vector<float> density(size_t(w) * size_t(h));
  std::vector<float> shade(size_t(w) * size_t(h));
  // Light comes from the sun or moon when there is one, else from below (a low sun or the
  // city's glow).
  float lx = 0;
  float ly = 1;
  if (m_mood.body == CityMood::Body::Sun || m_mood.body == CityMood::Body::Moon) {
    lx = m_mood.bodyX - 0.5f;
    ly = m_mood.bodyY - 0.3f;
    const float len = std::sqrt(lx * lx + ly * ly) + 1e-3f;
    lx /= len;
    ly /= len;
  }
  const float top = m_mood.cloudTop * float(m_height);
  const float bottom = m_mood.cloudBottom * float(m_height);
  const float threshold = 1 - m_mood.cloudCover;
  const uint32_t seed = m_mood.seed * 7u + 3u;
  auto field = [&](float px, float py) {
    // Stretched across, as clouds look when seen towards the horizon.
    const float fx = px / (420.f * m_scale);
    const float fy = py / (110.f * m_scale);
    return FractalNoise(fx, fy, seed, 5);
  };
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      const float px = float(i * kStep);
      const float py = float(j * kStep);
      const float envelope = SmoothStep(top - 40 * m_scale, top + 60 * m_scale, py) *
                             (1 - SmoothStep(bottom - 120 * m_scale, bottom, py));
      if (envelope <= 0) continue;
      const float n = field(px, py);
      const float d = SmoothStep(threshold - 0.08f, threshold + 0.22f, n) * envelope;
      density[size_t(j) * size_t(w) + size_t(i)] = d;
      if (d > 0) {
        const float toward = field(px + lx * 24 * m_scale, py + ly * 24 * m_scale);
        shade[size_t(j) * size_t(w) + size_t(i)] = Clamp01(0.45f + (toward - n) * 5.f);
      }
    }
  }
  for (int y = 0; y < m_height; ++y) {
    const float fy = float(y) / kStep;
    const int j = std::min(h - 2, int(fy));
    const float ty = fy - float(j);
    for (int x = 0; x < m_width; ++x) {
      const float fx = float(x) / kStep;
      const int i = std::min(w - 2, int(fx));
      const float tx = fx - float(i);
      auto at = [&](const std::vector<float>& v) {
        const size_t k = size_t(j) * size_t(w) + size_t(i);
        const float a = v[k] + (v[k + 1] - v[k]) * tx;
        const float b = v[k + size_t(w)] + (v[k + size_t(w) + 1] - v[k + size_t(w)]) * tx;
        return a + (b - a) * ty;
      };
      const float d = at(density);
      if (d <= 0.002f) continue;
      // Clouds near the horizon take on the haze.
      const FColor c = Mix(Mix(m_mood.cloudLit, m_mood.cloudShade, at(shade)), SkyColor(float(y)),
                           0.5f * SmoothStep(0.2f * m_horizonY, m_horizonY, float(y)));
      m_canvas.Blend(x, y, c, d * m_mood.cloudOpacity);
    }
  }
}

std::vector<CityScape::Tower> CityScape::MakeLayer(int layer) {
  const LayerPlan& plan = kLayerPlans[layer];
  std::vector<Tower> towers;
  const float s = m_scale;
  const float base = m_layerBase[size_t(layer)];
  // The nearest towers stand only at the sides, framing the view.
  const bool sidesOnly = layer == kLayers - 1;
  float x = -m_random.Range(0.2f, 0.8f) * plan.maxWidth * s;
  while (x < float(m_width)) {
    float w = m_random.Range(plan.minWidth, plan.maxWidth) * s;
    if (sidesOnly) {
      const bool left = x < float(m_width) / 2;
      if (!left && x < 0.83f * float(m_width)) {
        x = 0.83f * float(m_width) + m_random.Range(0, 40) * s;
        continue;
      }
      if (left && x > 0.12f * float(m_width)) {
        x = float(m_width) / 2;
        continue;
      }
    }
    const float u = m_random.Unit();
    float height = plan.minHeight + (plan.maxHeight - plan.minHeight) * std::pow(u, 1.5f);
    // Now and then a landmark stands out of the skyline.
    if (layer > 0 && layer < kLayers - 1 && m_random.Chance(0.12f)) height *= 1.5f;
    Tower t{};
    t.x0 = std::round(x);
    t.x1 = std::round(x + w);
    t.base = base + m_random.Range(0, 0.03f) * float(m_height);
    t.top = std::round(t.base - height * s);
    t.layer = layer;
    t.id = m_random.Next() & 0xFFFFFFu;
    t.style = m_random.Between(0, 2);
    t.facade = Mix(m_mood.facadeDark, m_mood.facadeLight, std::pow(m_random.Unit(), 1.3f));
    // A hint of colour in the glass: blue, green or bronze.
    const int tint = m_random.Between(0, 3);
    const FColor tints[] = {FColor::Rgb(0.9f * 255, 1.0f * 255, 1.12f * 255),
                            FColor::Rgb(0.92f * 255, 1.06f * 255, 1.0f * 255),
                            FColor::Rgb(1.08f * 255, 1.0f * 255, 0.9f * 255),
                            FColor::Rgb(255, 255, 255)};
    t.facade = t.facade * tints[tint];
    const FColor lights[] = {FColor::Rgb(255, 214, 150), FColor::Rgb(255, 236, 196),
                             FColor::Rgb(214, 232, 255), FColor::Rgb(222, 255, 228)};
    t.lit = lights[m_random.Between(0, 3)];
    t.litShare = Clamp01(m_mood.litWindows * m_random.Range(0.3f, 1.7f));
    t.cellW = plan.cell * s * m_random.Range(0.8f, 1.25f);
    t.cellH = t.cellW * m_random.Range(1.1f, 1.5f);
    t.roof = m_random.Chance(0.45f) ? 0 : m_random.Between(1, layer == 0 ? 1 : 4);
    towers.push_back(t);
    x += w + m_random.Range(plan.minGap, plan.maxGap) * w;
  }
  // Those standing further back are drawn first.
  std::stable_sort(towers.begin(), towers.end(),
                   [](const Tower& a, const Tower& b) { return a.base < b.base; });
  return towers;
}

void CityScape::DrawFace(const Tower& t, float x0, float x1, float top, bool side) {
  const LayerPlan& plan = kLayerPlans[t.layer];
  const float vx = 0.5f * float(m_width);
  const float f = 1 - plan.depth;
  // The back edge of the face lies towards the vanishing point.
  const float backX = side ? vx + (x1 - vx) * f : 0;
  const float frontX = x1;
  const float topBack = m_horizonY + (top - m_horizonY) * f;
  const float baseBack = m_horizonY + (t.base - m_horizonY) * f;
  float fx0 = x0;
  float fx1 = x1;
  if (side) {
    fx0 = std::min(frontX, backX);
    fx1 = std::max(frontX, backX);
  }
  if (fx1 - fx0 < 0.5f) return;

  // Lighting of this face.
  float light = 1;
  if (side) {
    const bool faceLooksLeft = backX < frontX;
    const bool lit = (faceLooksLeft ? 1.f : -1.f) * m_mood.sunFromLeft > 0;
    light = lit ? 1 + 0.25f * m_mood.daylight : 0.72f - 0.1f * m_mood.daylight;
  }
  const FColor tint =
      Mix(FColor::Rgb(255, 255, 255), m_mood.sunTint, side && light > 1 ? 1.f : 0.3f);
  const FColor facade = (t.facade * light) * tint;

  const int ix0 = std::max(0, int(std::floor(fx0)));
  const int ix1 = std::min(m_width - 1, int(std::ceil(fx1)) - 1);
  const float cellW = side ? t.cellW * 0.8f : t.cellW;
  const float cellH = t.cellH;
  const float winW = cellW * (t.style == 1 ? 1.0f : 0.62f);
  const float winH = cellH * (t.style == 2 ? 0.8f : 0.56f);
  const float margin = cellH * 1.2f;
  const float faceW = fx1 - fx0;
  const int columns = std::max(1, int(faceW / cellW));
  const float padX = (faceW - float(columns) * cellW) / 2;
  const float streetGlow = 0.12f * m_mood.streetLights;

  for (int x = ix0; x <= ix1; ++x) {
    const float cx = float(x) + 0.5f;
    const float u = side ? Clamp01((cx - frontX) / (backX - frontX)) : 0.f;
    const float ftop = side ? top + (topBack - top) * u : top;
    const float fbase = side ? t.base + (baseBack - t.base) * u : t.base;
    const float coverX = std::min(1.f, std::min(float(x + 1), fx1) - std::max(float(x), fx0));
    const float span = fbase - ftop;
    const float lx = (side ? Clamp01((cx - fx0) / faceW) * faceW : cx - fx0) - padX;
    const int col = lx >= 0 ? int(lx / cellW) : -1;
    const float inCol = lx - float(col) * cellW;
    const bool colWindow = col >= 0 && col < columns &&
                           (t.style == 1 || inCol >= (cellW - winW) / 2) &&
                           inCol < (cellW + winW) / 2 && (t.style != 1 || inCol > 0.8f);
    const int y0 = std::max(0, int(std::floor(ftop)));
    const int y1 = std::min(m_height - 1, int(std::ceil(fbase)));
    for (int y = y0; y <= y1; ++y) {
      const float cy = float(y) + 0.5f;
      const float coverY = std::min(1.f, std::min(float(y + 1), fbase) - std::max(float(y), ftop));
      if (coverY <= 0) continue;
      const float v = (cy - ftop) / span;
      // Facade: lighter towards the top where it mirrors the sky, warmed at its foot by the
      // streets at night.
      FColor c = facade * (1.06f - 0.16f * v * (0.4f + 0.6f * m_mood.daylight));
      c = c + m_mood.sunTint * (streetGlow * 0.4f * SmoothStep(0.7f, 1.f, v));
      bool emissive = false;
      const float ly = (cy - ftop) - margin;
      const float floorsHeight = span - 2 * margin;
      if (colWindow && ly >= 0 && ly < floorsHeight && span > 3 * cellH) {
        const int row = int(ly / cellH);
        const float inRow = ly - float(row) * cellH;
        if (inRow < winH) {
          const uint32_t face = side ? 1u : 0u;
          const float floorLuck = HashUnit(t.id, uint32_t(row), 17u + face);
          const float share = floorLuck < t.litShare * 0.8f ? 0.85f : t.litShare * 0.25f;
          const float luck = HashUnit(t.id ^ uint32_t(col * 7919), uint32_t(row), face);
          if (luck < share && m_mood.litWindows > 0) {
            const float k = 0.75f + 0.35f * HashUnit(t.id, uint32_t(col), uint32_t(row));
            c = t.lit * (k * (1 - 0.6f * m_mood.daylight));
            emissive = true;
          } else {
            // Dark glass mirrors the sky above the city.
            const FColor sky = SkyColor(m_horizonY * (0.3f + 0.6f * v));
            const float k = 0.75f + 0.3f * HashUnit(t.id + 1u, uint32_t(col), uint32_t(row));
            c = Mix(facade * 0.55f, sky * k, 0.25f + 0.4f * m_mood.daylight);
          }
        }
      }
      const float haze = HazeAt(t.layer, cy, t.base) * (emissive ? 0.5f : 1.f);
      c = Mix(c, m_mood.hazeColor, haze);
      m_canvas.Blend(x, y, c, coverX * coverY);
    }
  }
}

void CityScape::DrawRoof(const Tower& t) {
  const LayerPlan& plan = kLayerPlans[t.layer];
  const float vx = 0.5f * float(m_width);
  const float f = 1 - plan.depth;
  const float s = m_scale;
  const float w = t.x1 - t.x0;
  const float haze = HazeAt(t.layer, t.top, t.base);
  auto hazed = [&](FColor c) { return Mix(c, m_mood.hazeColor, haze); };
  // From high up the roofs below the horizon show their tops.
  if (t.top > m_horizonY) {
    const float topBack = m_horizonY + (t.top - m_horizonY) * f;
    const float bx0 = vx + (t.x0 - vx) * f;
    const float bx1 = vx + (t.x1 - vx) * f;
    FColor roof = t.facade * (0.9f + 0.4f * m_mood.daylight);
    if (m_mood.snowyRoofs) roof = FColor::Rgb(226, 230, 238);
    const std::vector<PointF> poly = {{t.x0, t.top}, {t.x1, t.top}, {bx1, topBack}, {bx0, topBack}};
    m_canvas.FillPolygon(poly, hazed(roof));
  }
  const float cx = (t.x0 + t.x1) / 2;
  const FColor dark = hazed(t.facade * 0.8f);
  switch (t.roof) {
    case 1: {  // a plant room on the roof
      const float rw = w * 0.45f;
      const float rh = std::max(2.f, t.cellH * 1.6f);
      const FColor top = m_mood.snowyRoofs ? FColor::Rgb(226, 230, 238) : t.facade * 1.05f;
      m_canvas.FillRect(cx - rw / 2, t.top - rh, cx + rw / 2, t.top + 0.5f, dark);
      m_canvas.FillRect(cx - rw / 2, t.top - rh, cx + rw / 2,
                        t.top - rh + std::max(1.f, rh * 0.15f), hazed(top));
      break;
    }
    case 2: {  // a spire
      const float sh = w * 0.7f;
      const std::vector<PointF> poly = {
          {cx - w * 0.13f, t.top + 0.5f}, {cx, t.top - sh}, {cx + w * 0.13f, t.top + 0.5f}};
      m_canvas.FillPolygon(poly, dark);
      if (m_mood.daylight < 0.5f) {
        m_canvas.FillCircle(cx, t.top - sh, std::max(0.7f, 1.4f * s),
                            Mix(FColor::Rgb(255, 40, 30), m_mood.hazeColor, haze * 0.5f));
        m_canvas.Glow(cx, t.top - sh, 6 * s + 2, FColor::Rgb(255, 60, 40), 0.3f * (1 - haze));
      }
      break;
    }
    case 3: {  // a stepped crown, its tiers floodlit from below at night
      float y = t.top + 0.5f;
      for (int k = 0; k < 3; ++k) {
        const float tw = w * (0.78f - 0.22f * float(k));
        const float th = std::max(1.5f, t.cellH * (1.6f - 0.3f * float(k)));
        FColor tier = t.facade * (1.0f + 0.1f * float(k));
        m_canvas.FillRect(cx - tw / 2, y - th, cx + tw / 2, y, hazed(tier));
        if (m_mood.daylight < 0.5f) {
          const float band = std::max(1.f, th * 0.35f);
          m_canvas.FillRect(cx - tw / 2, y - band, cx + tw / 2, y,
                            Mix(t.lit * 0.8f, m_mood.hazeColor, haze * 0.5f));
        }
        y -= th;
      }
      break;
    }
    case 4: {  // antennas with warning lights
      const float ah = w * 0.7f + 10 * s;
      m_canvas.DrawLine(cx - w * 0.15f, t.top, cx - w * 0.15f, t.top - ah, std::max(0.8f, 1.6f * s),
                        dark);
      m_canvas.DrawLine(cx + w * 0.2f, t.top, cx + w * 0.2f, t.top - ah * 0.6f,
                        std::max(0.7f, 1.2f * s), dark);
      if (m_mood.daylight < 0.5f) {
        m_canvas.FillCircle(cx - w * 0.15f, t.top - ah, std::max(0.7f, 1.5f * s),
                            Mix(FColor::Rgb(255, 50, 40), m_mood.hazeColor, haze * 0.5f));
        m_canvas.Glow(cx - w * 0.15f, t.top - ah, 6 * s + 2, FColor::Rgb(255, 60, 40),
                      0.3f * (1 - haze));
      }
      break;
    }
    default:
      break;
  }
}

void CityScape::DrawTower(const Tower& t) {
  const float vx = 0.5f * float(m_width);
  const float cx = (t.x0 + t.x1) / 2;
  // The side facing the middle of the view shows.
  if (cx < vx) {
    DrawFace(t, t.x0, t.x1, t.top, true);
  } else {
    DrawFace(t, t.x1, t.x0, t.top, true);
  }
  DrawFace(t, t.x0, t.x1, t.top, false);
  DrawRoof(t);
}

void CityScape::DrawGround() {
  const float top = m_layerBase[0];
  const float s = m_scale;
  const float vx = 0.5f * float(m_width);
  for (int y = int(top); y < m_height; ++y) {
    const float depth = (float(y) - m_horizonY) / (float(m_height) - m_horizonY);
    const FColor c =
        Mix(m_mood.groundColor, m_mood.hazeColor, Clamp01(m_mood.haze * (0.9f - depth)));
    for (int x = 0; x < m_width; ++x) m_canvas.SetPixel(x, y, c);
  }

  // Avenues run towards the vanishing point; cross streets lie across at even steps of
  // distance, which puts them closer together towards the horizon.
  Random rnd(m_mood.seed * 13u + 1u);
  std::vector<float> avenues;
  for (float b = -0.9f; b < 1.9f; b += rnd.Range(0.28f, 0.5f))
    avenues.push_back(b * float(m_width));
  const float far = float(m_height) - m_horizonY;
  auto avenueX = [&](float bottomX, float y) {
    return vx + (bottomX - vx) * (y - m_horizonY) / far;
  };
  auto widthAt = [&](float y) { return (y - m_horizonY) * 0.05f; };
  const FColor sodium = FColor::Rgb(255, 176, 90);
  // At night the roads glow with the lamps along them.
  const FColor asphalt = m_mood.daylight > 0.5f
                             ? FColor::Rgb(86, 88, 94)
                             : Mix(FColor::Rgb(20, 20, 26), sodium * 0.3f, m_mood.streetLights);
  const FColor road = m_mood.snowyRoofs ? FColor::Rgb(150, 150, 158) : asphalt;
  auto hazeAtY = [&](float y) {
    const float depth = (y - m_horizonY) / far;
    return Clamp01(m_mood.haze * (0.9f - depth));
  };
  const FColor white = FColor::Rgb(236, 240, 255);
  const FColor tail = FColor::Rgb(255, 40, 30);
  auto lamp = [&](float x, float y, FColor c, float size) {
    const float a = m_mood.streetLights * (1 - 0.5f * hazeAtY(y));
    if (a <= 0) return;
    m_canvas.FillCircle(x, y, size, Mix(c, FColor::Rgb(255, 255, 255), 0.3f), a);
    m_canvas.Glow(x, y, size * 5, c, 0.3f * a);
    if (m_mood.wet) {
      // Wet asphalt mirrors each light in a long streak below it.
      for (int k = 1; k < 8; ++k) {
        m_canvas.FillCircle(x, y + float(k) * size * 1.6f, size * 0.7f, c,
                            a * 0.18f * float(8 - k) / 8);
      }
    }
  };
  // Cross streets.
  std::vector<std::pair<float, float>> crossings;
  for (float z = 1.f; z < 40; z *= rnd.Range(1.25f, 1.5f)) {
    const float y = m_horizonY + far / z;
    if (y < top || y > float(m_height) + 20) continue;
    const float w = widthAt(y) * 0.6f;
    crossings.push_back({y - w / 2, y + w / 2});
    m_canvas.FillRect(0, y - w / 2, float(m_width), y + w / 2,
                      Mix(road, m_mood.hazeColor, hazeAtY(y)));
    const float step = std::max(6.f, w * 3.5f);
    for (float x = rnd.Range(0, step); x < float(m_width); x += step) {
      lamp(x, y - w / 2, sodium, std::max(0.6f, w * 0.1f));
    }
    if (m_mood.streetLights > 0) {
      for (float x = rnd.Range(0, step); x < float(m_width);
           x += rnd.Range(step * 0.5f, step * 3)) {
        lamp(x, y, rnd.Chance(0.5f) ? tail : white, std::max(0.5f, w * 0.07f));
      }
    }
  }
  for (float b : avenues) {
    std::vector<PointF> poly;
    const float y0 = top;
    const float y1 = float(m_height) + 2;
    poly = {{avenueX(b, y0) - widthAt(y0) / 2, y0},
            {avenueX(b, y0) + widthAt(y0) / 2, y0},
            {avenueX(b, y1) + widthAt(y1) / 2, y1},
            {avenueX(b, y1) - widthAt(y1) / 2, y1}};
    m_canvas.FillPolygon(poly, Mix(road, m_mood.hazeColor, hazeAtY((y0 + y1) / 2) * 0.6f));
    // Street lamps along both kerbs and the traffic in both directions.
    for (float z = 1.f; z < 60; z *= 1.06f) {
      const float y = m_horizonY + far / z;
      if (y < top) break;
      const float w = widthAt(y);
      const float x = avenueX(b, y);
      lamp(x - w / 2, y, sodium, std::max(0.6f, w * 0.08f));
      lamp(x + w / 2, y, sodium, std::max(0.6f, w * 0.08f));
      if (m_mood.daylight > 0.5f) {
        if (rnd.Chance(0.5f)) {
          const FColor cars[] = {FColor::Rgb(200, 40, 40), FColor::Rgb(230, 230, 230),
                                 FColor::Rgb(40, 60, 140), FColor::Rgb(30, 30, 34),
                                 FColor::Rgb(240, 200, 40)};
          const float cw = w * 0.12f;
          const float cxp = x + rnd.Range(-0.3f, 0.3f) * w;
          m_canvas.FillRect(cxp - cw / 2, y - cw * 0.8f, cxp + cw / 2, y + cw * 0.8f,
                            Mix(cars[rnd.Between(0, 4)], m_mood.hazeColor, hazeAtY(y)));
        }
      } else {
        for (int k = 0; k < 2; ++k) {
          if (rnd.Chance(0.8f)) {
            const float lane = (k == 0 ? -0.22f : 0.22f) * w;
            lamp(x + lane, y + rnd.Range(0, 4) * s, k == 0 ? white : tail,
                 std::max(0.6f, w * 0.06f));
          }
        }
      }
    }
  }

  // Low blocks fill the ground between the streets, row after row towards the viewer.
  float y = top + 1;
  while (y < float(m_height) + 40 * s) {
    const float d = y - m_horizonY;
    bool street = false;
    for (const auto& c : crossings) street |= y > c.first - 0.5f && y < c.second + 0.5f;
    if (!street) {
      float x = -rnd.Range(0, d * 0.4f);
      while (x < float(m_width)) {
        const float w = d * rnd.Range(0.07f, 0.2f);
        const float h = d * rnd.Range(0.03f, 0.12f);
        bool onAvenue = false;
        for (float b : avenues) {
          const float ax = avenueX(b, y);
          const float aw = widthAt(y) / 2 + 1;
          onAvenue |= x < ax + aw && x + w > ax - aw;
        }
        const float haze = hazeAtY(y);
        auto hazed = [&](FColor c) { return Mix(c, m_mood.hazeColor, haze); };
        const float roofDepth = std::max(1.f, d * 0.035f);
        if (!onAvenue && rnd.Chance(0.05f)) {
          // A small park: lawn and the round crowns of trees.
          const FColor lawn = m_mood.snowyRoofs ? FColor::Rgb(224, 228, 236)
                                                : Mix(FColor::Rgb(14, 22, 16),
                                                      FColor::Rgb(92, 140, 70), m_mood.daylight);
          m_canvas.FillRect(x, y - roofDepth * 2, x + w, y, hazed(lawn));
          for (float tx = x + d * 0.01f; tx < x + w - d * 0.01f;
               tx += d * rnd.Range(0.012f, 0.025f)) {
            m_canvas.FillCircle(tx, y - roofDepth * rnd.Range(1.f, 2.f),
                                d * rnd.Range(0.008f, 0.014f), hazed(lawn * 0.75f));
          }
        } else if (!onAvenue) {
          const FColor facade = Mix(m_mood.facadeDark, m_mood.facadeLight, rnd.Unit() * 0.8f);
          // Roofs of tar, concrete, brick and the odd green roof.
          const FColor roofs[] = {FColor::Rgb(150, 150, 146), FColor::Rgb(118, 112, 106),
                                  FColor::Rgb(168, 116, 92),  FColor::Rgb(92, 96, 102),
                                  FColor::Rgb(184, 180, 170), FColor::Rgb(112, 140, 100)};
          FColor roof = Mix(facade * 0.85f, roofs[rnd.Between(0, 5)], m_mood.daylight * 0.9f);
          if (m_mood.snowyRoofs) roof = FColor::Rgb(220, 224, 232);
          m_canvas.FillRect(x, y - h - roofDepth, x + w, y - h, hazed(roof));
          m_canvas.FillRect(x, y - h, x + w, y, hazed(facade * 0.8f));
          // Rows of windows: lit ones at night, dark glass by day.
          const float cell = std::max(2.f, d * 0.016f);
          for (float wy = y - h + cell; wy < y - cell; wy += cell * 1.6f) {
            for (float wx = x + cell * 0.5f; wx < x + w - cell; wx += cell * 1.4f) {
              if (m_mood.litWindows > 0 && rnd.Chance(m_mood.litWindows * 0.7f)) {
                const FColor lit =
                    rnd.Chance(0.7f) ? FColor::Rgb(255, 210, 150) : FColor::Rgb(220, 236, 255);
                m_canvas.FillRect(
                    wx, wy, wx + cell * 0.7f, wy + cell * 0.6f,
                    Mix(lit * (1 - 0.6f * m_mood.daylight), m_mood.hazeColor, haze * 0.5f));
              } else if (m_mood.daylight > 0.3f) {
                m_canvas.FillRect(wx, wy, wx + cell * 0.7f, wy + cell * 0.6f, hazed(facade * 0.5f),
                                  m_mood.daylight * 0.8f);
              }
            }
          }
        }
        x += w + d * rnd.Range(0.0f, 0.05f);
      }
    }
    y += std::max(1.5f, d * rnd.Range(0.03f, 0.06f));
  }
}

void CityScape::DrawRain() {
  Random rnd(m_mood.seed * 17u + 9u);
  const int count = int(5200 * float(m_width) * float(m_height) / (1920.f * 1080.f));
  const float s = m_scale;
  for (int i = 0; i < count; ++i) {
    const float x = rnd.Range(-40, float(m_width) + 40);
    const float y = rnd.Range(-40, float(m_height));
    const float near = rnd.Unit();
    const float len = (18 + 40 * near) * s;
    const float slant = 0.18f;
    m_canvas.DrawLine(x, y, x - len * slant, y + len, std::max(0.6f, (0.6f + 1.2f * near) * s),
                      FColor::Rgb(200, 206, 216), 0.06f + 0.16f * near * m_mood.rain);
  }
}

void CityScape::DrawSnow() {
  Random rnd(m_mood.seed * 19u + 11u);
  const int count = int(3200 * float(m_width) * float(m_height) / (1920.f * 1080.f));
  const float s = m_scale;
  for (int i = 0; i < count; ++i) {
    const float x = rnd.Range(0, float(m_width));
    const float y = rnd.Range(0, float(m_height));
    const float near = std::pow(rnd.Unit(), 3.f);
    const float r = (0.8f + 4.5f * near) * s + 0.3f;
    const float a = (0.55f + 0.4f * rnd.Unit()) * (near > 0.6f ? 0.55f : 1.f) * m_mood.snow;
    m_canvas.FillCircle(x, y, r, FColor::Rgb(250, 252, 255), a);
    if (near > 0.4f) m_canvas.FillCircle(x, y, r * 1.8f, FColor::Rgb(250, 252, 255), a * 0.2f);
  }
}

void CityScape::Vignette() {
  const float cx = 0.5f * float(m_width);
  const float cy = 0.5f * float(m_height);
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      const float dx = (float(x) - cx) / cx;
      const float dy = (float(y) - cy) / cy;
      const float d = dx * dx * 0.6f + dy * dy * 0.4f;
      const float k = 1 - 0.22f * SmoothStep(0.35f, 1.0f, d);
      if (k < 1) m_canvas.SetPixel(x, y, m_canvas.ColorAt(x, y) * k);
    }
  }
}

Canvas CityScape::Render() {
  DrawSky();
  DrawStarsAndBody();
  DrawClouds();
  if (m_mood.glowStrength > 0 && m_mood.body != CityMood::Body::None) {
    m_canvas.Glow(m_mood.bodyX * float(m_width), m_mood.bodyY * float(m_height),
                  m_mood.glowRadius * m_scale, m_mood.glowColor, m_mood.glowStrength);
  }
  for (const Tower& t : MakeLayer(0)) DrawTower(t);
  DrawGround();
  for (int layer = 1; layer < kLayers; ++layer) {
    for (const Tower& t : MakeLayer(layer)) DrawTower(t);
  }
  if (m_mood.bloom > 0) m_canvas.Bloom(150, m_mood.bloom, 3);
  if (m_mood.rain > 0) DrawRain();
  if (m_mood.snow > 0) DrawSnow();
  Vignette();
  return std::move(m_canvas);
}

}  // namespace vt
