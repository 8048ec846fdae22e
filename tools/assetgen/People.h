#pragma once

#include "tools/assetgen/Canvas.h"

namespace vt {

// The people of the scene, each on a plain ground of one colour that reaches the bottom-left
// pixel, since the program draws a bitmap's bottom-left colour as transparent. The figures
// stand with their feet on the bottom rows, because a person's picture stands on the floor
// line with its bottom edge.

// The five characters of the data folder, 45 x 50 each, seen from the side facing left:
// 0 office worker with a briefcase, 1 student with a backpack, 2 shopper with a bag,
// 3 worker in a hard hat with a toolbox, 4 elderly man with a cane.
Canvas DrawHito(int index);
// The ground colour of the characters; no figure pixel has it.
inline constexpr FColor kHitoGround = FColor::Rgb(255, 0, 255);
inline constexpr int kHitoCount = 5;

// The template person, 18 x 50, facing left, brown hair and white coat, on black.
Canvas DrawTemplatePerson();
// The built-in rooftop worker, 39 x 50, on white.
Canvas DrawRooftopWorker();

}  // namespace vt
