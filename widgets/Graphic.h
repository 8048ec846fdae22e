#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Color.h"

namespace vt {

enum class DecodeState { Pending, Decoded, Failed };

// A picture held by a picture widget: a Windows bitmap, a JPEG image, or nothing
// (an empty bitmap file gives a picture of size 0 x 0).
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
  // The decoded pixels. A JPEG decodes its image data on the first call; if that fails, the
  // first call throws EJPEG and every later call returns nullptr, so a broken picture is
  // reported once and then draws nothing.
  virtual const Bitmap32* Pixels() = 0;
  // Where the image data stand, without decoding them: only a JPEG is ever Pending or Failed.
  virtual DecodeState Decoding() const { return DecodeState::Decoded; }
  // The colour drawn as transparent when the widget is transparent: the bottom-left pixel of
  // a bitmap (white for a monochrome one); none for a JPEG.
  virtual std::optional<TColor> TransparentColor() const = 0;
  // "bmp" or "jpg", for tests and messages.
  virtual std::string_view FormatName() const = 0;
};

// Loads a picture file as the picture widget does: format by extension (case-insensitive),
// then the file is read and checked. Throws EInvalidGraphic, EFOpenError, EReadError or EJPEG
// with the exact messages of the loader.
std::unique_ptr<TGraphic> LoadGraphicFromFile(const std::string& path);

// The same decoders over bytes already in memory; extension as in a file name ("jpg").
std::unique_ptr<TGraphic> LoadGraphicFromMemory(std::span<const uint8_t> bytes,
                                                std::string_view extension);

// The decoders themselves. Each checks every header field against what the bytes can hold
// and never reads or writes out of bounds.
std::unique_ptr<TGraphic> DecodeBitmapFile(std::span<const uint8_t> bytes);
std::unique_ptr<TGraphic> DecodeJpegFile(std::vector<uint8_t> bytes);

}  // namespace vt
