#pragma once

#include <cstdint>
#include <functional>

#include "widgets/Bitmap32.h"
#include "widgets/Geometry.h"

namespace vt {

// Where the layout puts the built-in pictures on one screen, for the checks below, which read
// them back from a screenshot of it.
struct SceneLayout {
  int width = 0;
  int height = 0;
  Rect building;   // ImgHaikei
  Rect car;        // ImgElv; its Top follows the random start floor
  Rect signboard;  // ImgKanban
  int floor_base[6] = {};
};

// The layout's figures for some screens at 96 pixels per inch.
inline constexpr SceneLayout kLayout1024x768 = {1024,
                                                768,
                                                {202, 278, 620, 515},
                                                {225, 0, 95, 70},
                                                {332, 175, 450, 103},
                                                {763, 683, 603, 523, 443, 363}};
inline constexpr SceneLayout kLayout800x600 = {800,
                                               600,
                                               {90, 110, 620, 515},
                                               {113, 0, 95, 70},
                                               {220, 7, 450, 103},
                                               {595, 515, 435, 355, 275, 195}};
inline constexpr SceneLayout kLayout1280x720 = {1280,
                                                720,
                                                {330, 230, 620, 515},
                                                {353, 0, 95, 70},
                                                {460, 127, 450, 103},
                                                {715, 635, 555, 475, 395, 315}};
inline constexpr SceneLayout kLayout1920x1080 = {1920,
                                                 1080,
                                                 {524, 391, 872, 724},
                                                 {556, 0, 134, 98},
                                                 {705, 246, 633, 145},
                                                 {1073, 961, 848, 736, 623, 511}};

// At 192 pixels per inch the building follows the screen's height in pixels, and the pictures
// keep the screen's density. A screen of fewer than 768 pixels at 96 pixels per inch (1920 x
// 1080 at 200 % is 540 high) is not scaled down: its signboard stands above the screen, as on
// a small screen at 96.
inline constexpr SceneLayout kLayout1920x1080At192 = {1920,
                                                      1080,
                                                      {340, 100, 1240, 1030},
                                                      {386, 0, 190, 140},
                                                      {595, -106, 900, 206},
                                                      {1070, 910, 750, 590, 430, 270}};
// Enough pixels for the whole scene: 800 high at 96 pixels per inch.
inline constexpr SceneLayout kLayout2560x1600At192 = {2560,
                                                      1600,
                                                      {634, 579, 1292, 1073},
                                                      {682, 0, 198, 146},
                                                      {899, 364, 938, 215},
                                                      {1589, 1423, 1256, 1089, 923, 756}};
// A 4K screen at 200 %: the building of a 4K screen at 96, twice the 1080p one.
inline constexpr SceneLayout kLayout3840x2160At192 = {3840,
                                                      2160,
                                                      {1048, 782, 1744, 1448},
                                                      {1113, 0, 267, 197},
                                                      {1404, 492, 1266, 290},
                                                      {2146, 1921, 1696, 1471, 1246, 1021}};

// Drawn: the shaft of floor 0 or 1 (the car stands at one floor only) and the signboard's
// panel, where the screen shows it.
bool ScenePainted(const SceneLayout& scene, const std::function<uint32_t(int, int)>& pixel);

// The checks add a test failure for each difference. Where the layout puts the upper floors
// above the screen (many pixels per inch), only what lies within it is checked.
//
// The car stands on a floor's baseline at its place in the shaft, its green where the scaled
// picture has it.
void ExpectCarOnAFloorLine(const Bitmap32& screen, const SceneLayout& scene);
// The shaft's grey on every floor without the car, and its edges where the scaled building
// has them.
void ExpectShaftWhereTheBuildingPutsIt(const Bitmap32& screen, const SceneLayout& scene);
// The signboard's ribbed panel and its rim on all four sides where the scaled signboard has
// them.
void ExpectSignboardWhereItStands(const Bitmap32& screen, const SceneLayout& scene);

}  // namespace vt
