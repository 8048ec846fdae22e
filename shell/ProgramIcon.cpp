#include "shell/ProgramIcon.h"

#include <cstring>

#include "widgets/Graphic.h"
#include "widgets/TApplication.h"

namespace vt {

namespace {
uint32_t ReadU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
}  // namespace

Bitmap32 LoadProgramIcon(TApplication& application) {
  std::span<const uint8_t> bytes = application.Resource("icon.bmp");
  std::unique_ptr<TGraphic> graphic = LoadGraphicFromMemory(bytes, "bmp");
  const Bitmap32* pixels = graphic->Pixels();
  if (!pixels) return {};
  Bitmap32 icon = *pixels;
  for (int y = 0; y < icon.Height(); ++y) {
    for (int x = 0; x < icon.Width(); ++x) icon.SetPixel(x, y, icon.Pixel(x, y) | 0xFF000000u);
  }
  // The mask lives in the alpha bytes of a 32-bit uncompressed bitmap, which the picture
  // decoder leaves out; read it here, with every offset checked against the file.
  if (bytes.size() < 54) return icon;
  uint32_t offset = ReadU32(&bytes[10]);
  int32_t width = int32_t(ReadU32(&bytes[18]));
  int32_t height = int32_t(ReadU32(&bytes[22]));
  uint16_t bpp = ReadU16(&bytes[28]);
  uint32_t compression = ReadU32(&bytes[30]);
  bool top_down = height < 0;
  if (top_down) height = -height;
  if (bpp != 32 || compression != 0 || width != icon.Width() || height != icon.Height()) {
    return icon;
  }
  uint64_t needed = uint64_t(offset) + uint64_t(width) * uint64_t(height) * 4;
  if (needed > bytes.size()) return icon;
  for (int y = 0; y < height; ++y) {
    int row = top_down ? y : height - 1 - y;
    const uint8_t* src = &bytes[offset + size_t(row) * size_t(width) * 4];
    for (int x = 0; x < width; ++x) {
      uint32_t alpha = src[x * 4 + 3];
      icon.SetPixel(x, y, (icon.Pixel(x, y) & 0xFFFFFFu) | (alpha << 24));
    }
  }
  return icon;
}

}  // namespace vt
