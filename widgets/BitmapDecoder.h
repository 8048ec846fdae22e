#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Color.h"

namespace vt {

// Decodes a Windows bitmap file: the 14-byte file header, then a device-independent bitmap
// with a core (12), info (40), V2/V3 (52/56), V4 (108) or V5 (124) header, 1 to 32 bits per
// pixel, uncompressed, bit fields or run-length encoded.
//
// Nothing in the file is trusted. The rules, in the order they are applied:
// - an empty file is an empty picture (0 x 0);
// - the file, info header, bit-field masks, colour table or uncompressed pixel rows ending
//   before the size they declare is EReadError;
// - a missing "BM", an unknown header size, bit depth or compression, a combination Windows
//   does not define (RLE8 at other than 8 bits, RLE4 at other than 4, bit fields at other
//   than 16 or 32 bits), bit-field masks that are all zero, not contiguous, overlapping or
//   wider than the pixel, a width or height of zero, a negative width, or a side above 32768
//   or more than 2^28 pixels is EInvalidGraphic;
// - run-length data may describe large areas in few bytes (an end of bitmap skips everything
//   left), but no real picture needs more than 256 pixels per byte of data, so a larger claim
//   (beyond a floor of 65536 pixels) is EInvalidGraphic rather than a huge allocation.
// Pixel indexes past the colour table are black. Pixels that run-length data skip (deltas,
// early ends of line or of the data) are black, and runs past the right edge are clipped.
class BitmapDecoder {
 public:
  explicit BitmapDecoder(std::span<const uint8_t> file) : m_file(file) {}

  // Checks the headers and decodes the pixels; throws EReadError or EInvalidGraphic.
  void Decode();

  Bitmap32& Pixels() { return m_pixels; }
  int BitsPerPixel() const { return m_bitCount; }
  // The bottom-left pixel, white for a monochrome bitmap; none for an empty picture.
  std::optional<TColor> TransparentColor() const;

 private:
  struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
  };

  void ReadInfoHeader();
  void ReadMasks(size_t offset);
  void ReadPalette(size_t offset, size_t entries, size_t entry_size);
  void CheckDimensions() const;
  void DecodeUncompressed(size_t offset);
  void DecodeRunLength(size_t offset);
  Channel MakeChannel(uint32_t mask) const;
  static uint32_t Expand(uint32_t pixel, const Channel& channel);
  TColor PaletteColor(unsigned index) const;
  uint32_t* DisplayRow(int64_t file_row);

  std::span<const uint8_t> m_file;
  Bitmap32 m_pixels;
  uint32_t m_headerSize = 0;
  int32_t m_width = 0;
  int32_t m_height = 0;
  bool m_topDown = false;
  int m_bitCount = 0;
  uint32_t m_compression = 0;
  uint32_t m_colorsUsed = 0;
  Channel m_red;
  Channel m_green;
  Channel m_blue;
  std::vector<TColor> m_palette;
};

}  // namespace vt
