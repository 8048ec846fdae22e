// Feeds arbitrary bytes to the bitmap decoder as a picture file would reach it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "widgets/Exceptions.h"
#include "widgets/Graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto graphic = vt::DecodeBitmapFile(std::span<const uint8_t>(data, size));
    const vt::Bitmap32* pixels = graphic->Pixels();
    // Touch every pixel so that a buffer smaller than its stated size shows up, and check
    // that what the picture reports matches what it holds: no alpha byte is ever set.
    if (!pixels || pixels->Width() != graphic->Width() || pixels->Height() != graphic->Height()) {
      std::abort();
    }
    uint32_t any = 0;
    for (int y = 0; y < pixels->Height(); ++y) {
      for (int x = 0; x < pixels->Width(); ++x) any |= pixels->Pixel(x, y);
    }
    if (any & 0xFF000000u) std::abort();
    if (graphic->IsEmpty() != !graphic->TransparentColor().has_value()) std::abort();
  } catch (const vt::Exception&) {
  }
  return 0;
}
