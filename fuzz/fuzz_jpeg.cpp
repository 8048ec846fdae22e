// Feeds arbitrary bytes to the JPEG decoder: the header at load, the image data on the
// first request for the pixels, as a picture widget does.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "widgets/Exceptions.h"
#include "widgets/Graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<vt::TGraphic> graphic;
  try {
    graphic = vt::DecodeJpegFile(std::vector<uint8_t>(data, data + size));
  } catch (const vt::Exception&) {
    return 0;
  }
  bool failed = false;
  try {
    const vt::Bitmap32* pixels = graphic->Pixels();
    if (!pixels || pixels->Width() != graphic->Width() || pixels->Height() != graphic->Height()) {
      std::abort();
    }
    uint32_t any = 0;
    for (int y = 0; y < pixels->Height(); ++y) any |= pixels->Row(y)[pixels->Width() - 1];
    if (any & 0xFF000000u) std::abort();
  } catch (const vt::Exception&) {
    failed = true;
  }
  // A failure is reported once; afterwards the picture is simply empty.
  if (failed && graphic->Pixels() != nullptr) std::abort();
  return 0;
}
