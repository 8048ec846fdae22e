#pragma once

#include "tools/assetgen/Canvas.h"

namespace vt {

// The fixed pictures of the scene. Their positions are those the layout places the car, the
// call buttons and the people by: the floor lines lie 80 pixels apart at y = 485 - 80 f, the
// shaft spans x 23 to 117, the call buttons and the waiting row start at x 128.

// The cut-away front of the six-storey building, 620 x 515, on black.
Canvas DrawBuildingPicture();
// The front of the car, 95 x 70: flat lime green with a dark outline.
Canvas DrawCarPicture();

// Where each floor's band lies, floor 0 ("B") to 5, inclusive rows; exposed for the tests of
// the generator and for the stand-in preview.
struct FloorBand {
  int top;
  int bottom;
};
FloorBand BuildingFloorBand(int floor);

inline constexpr FColor kShaftGrey = FColor::Rgb(51, 51, 51);
inline constexpr FColor kCarGreen = FColor::Rgb(160, 255, 65);

}  // namespace vt
