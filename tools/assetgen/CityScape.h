#pragma once

#include <cstdint>
#include <vector>

#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/CityMood.h"
#include "tools/assetgen/Random.h"

namespace vt {

// Paints a view over a city from high up: sky, far hazy skylines, nearer detailed towers with
// window grids, low-rise blocks and lit streets at the bottom, and the weather over it all.
class CityScape {
 public:
  CityScape(const CityMood& mood, int width, int height);

  Canvas Render();

 private:
  struct Tower {
    float x0;
    float x1;
    float top;
    float base;
    float side;  // width of the visible side face; negative when it shows on the left
    int style;
    FColor facade;
    FColor lit;
    float litShare;
    float cellW;
    float cellH;
    uint32_t id;
    int layer;
    int roof;  // 0 flat, 1 setback, 2 spire, 3 crown, 4 antenna
  };

  FColor SkyColor(float y) const;
  float HazeAt(int layer, float y, float base) const;
  void DrawSky();
  void DrawClouds();
  void DrawStarsAndBody();
  std::vector<Tower> MakeLayer(int layer);
  void DrawTower(const Tower& t);
  void DrawFace(const Tower& t, float x0, float x1, float top, bool side);
  void DrawRoof(const Tower& t);
  void DrawGround();
  void DrawStreetLevel();
  void DrawRain();
  void DrawSnow();
  void Vignette();

  CityMood m_mood;
  int m_width;
  int m_height;
  float m_scale;
  float m_horizonY;
  Canvas m_canvas;
  Random m_random;
  std::vector<float> m_layerBase;
};

}  // namespace vt
