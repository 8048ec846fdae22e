#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/Canvas.h"

namespace vt {

// Uncompressed Windows bitmaps: BITMAPFILEHEADER, BITMAPINFOHEADER, rows bottom-up, each padded
// to four bytes. Each throws std::runtime_error naming the file when it cannot be written.

void WriteBmp24(const std::string& path, const Canvas& canvas);
// 8 bits per pixel with a 256-entry palette holding the picture's own colours in the order
// they first occur from the bottom-left; throws when the picture has more than 256 colours.
void WriteBmp8(const std::string& path, const Canvas& canvas);
// 32 bits per pixel, blue, green, red, alpha; alpha 255 where the canvas is at least half
// covered and 0 elsewhere, the mask of an icon.
void WriteBmp32(const std::string& path, const Canvas& canvas);
// A Windows icon file holding each picture as a 32-bit image (a PNG one at 256 pixels), in the
// order given, transparent where WriteBmp32 makes alpha 0. At most 256 pixels each way.
void WriteIco(const std::string& path, const std::vector<Canvas>& images);

}  // namespace vt
