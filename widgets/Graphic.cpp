#include "widgets/Graphic.h"

#include <utility>

#include "widgets/BitmapDecoder.h"
#include "widgets/Exceptions.h"
#include "widgets/JpegDecoder.h"
#include "widgets/PlatformFiles.h"

namespace vt {

namespace {

class BitmapGraphic final : public TGraphic {
 public:
  BitmapGraphic(Bitmap32 pixels, std::optional<TColor> transparent)
      : m_pixels(std::move(pixels)), m_transparent(transparent) {}
  int Width() const override { return m_pixels.Width(); }
  int Height() const override { return m_pixels.Height(); }
  const Bitmap32* Pixels() override { return &m_pixels; }
  std::optional<TColor> TransparentColor() const override { return m_transparent; }
  std::string_view FormatName() const override { return "bmp"; }

 private:
  Bitmap32 m_pixels;
  std::optional<TColor> m_transparent;
};

class JpegGraphic final : public TGraphic {
 public:
  explicit JpegGraphic(JpegDecoder decoder) : m_decoder(std::move(decoder)) {}
  int Width() const override { return m_decoder.Width(); }
  int Height() const override { return m_decoder.Height(); }
  const Bitmap32* Pixels() override {
    if (m_state == DecodeState::Pending) {
      // Whatever the outcome, the compressed bytes are not needed again: a failure is
      // reported once, and afterwards the picture draws nothing.
      m_state = DecodeState::Failed;
      try {
        m_pixels = m_decoder.Decode();
        m_state = DecodeState::Decoded;
      } catch (...) {
        m_decoder.ReleaseFile();
        throw;
      }
      m_decoder.ReleaseFile();
    }
    return m_state == DecodeState::Decoded ? &m_pixels : nullptr;
  }
  DecodeState Decoding() const override { return m_state; }
  std::optional<TColor> TransparentColor() const override { return std::nullopt; }
  std::string_view FormatName() const override { return "jpg"; }

 private:
  JpegDecoder m_decoder;
  Bitmap32 m_pixels;
  DecodeState m_state = DecodeState::Pending;
};

enum class Format { kBitmap, kJpeg, kUnsupported };

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// The text after the last "." of the file name (not of a folder name), without the dot.
std::string_view ExtensionOf(std::string_view path) {
  const size_t dot = path.find_last_of("./\\");
  if (dot == std::string_view::npos || path[dot] != '.') return {};
  return path.substr(dot + 1);
}

// "ico", "wmf" and "emf" are registered formats too, but this program carries no decoder for
// them and none of its files uses them, so they fail as an unknown extension does.
Format FormatOf(std::string_view extension) {
  if (EqualsIgnoringCase(extension, "bmp")) return Format::kBitmap;
  if (EqualsIgnoringCase(extension, "jpg") || EqualsIgnoringCase(extension, "jpeg")) {
    return Format::kJpeg;
  }
  return Format::kUnsupported;
}

[[noreturn]] void FailExtension(std::string_view extension) {
  throw EInvalidGraphic(
      FormatMessage("拡張子 .%s の画像形式は処理できません", std::string(extension)));
}

std::vector<uint8_t> ReadFileOrThrow(const std::string& path) {
  std::vector<uint8_t> bytes;
  switch (ReadWholeFile(path, bytes)) {
    case FileReadResult::Read:
      break;
    case FileReadResult::CannotOpen:
      throw EFOpenError(FormatMessage("ファイル %s は開けません", path));
    case FileReadResult::ReadFailed:
      throw EReadError("ストリームからの読み込みエラー");
  }
  return bytes;
}

}  // namespace

std::unique_ptr<TGraphic> DecodeBitmapFile(std::span<const uint8_t> bytes) {
  BitmapDecoder decoder(bytes);
  decoder.Decode();
  const std::optional<TColor> transparent = decoder.TransparentColor();
  return std::make_unique<BitmapGraphic>(std::move(decoder.Pixels()), transparent);
}

std::unique_ptr<TGraphic> DecodeJpegFile(std::vector<uint8_t> bytes) {
  return std::make_unique<JpegGraphic>(JpegDecoder(std::move(bytes)));
}

std::unique_ptr<TGraphic> LoadGraphicFromMemory(std::span<const uint8_t> bytes,
                                                std::string_view extension) {
  switch (FormatOf(extension)) {
    case Format::kBitmap:
      return DecodeBitmapFile(bytes);
    case Format::kJpeg:
      return DecodeJpegFile(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    case Format::kUnsupported:
      break;
  }
  FailExtension(extension);
}

std::unique_ptr<TGraphic> LoadGraphicFromFile(const std::string& path) {
  const std::string_view extension = ExtensionOf(path);
  const Format format = FormatOf(extension);
  if (format == Format::kUnsupported) FailExtension(extension);
  std::vector<uint8_t> bytes = ReadFileOrThrow(path);
  if (format == Format::kBitmap) return DecodeBitmapFile(bytes);
  return DecodeJpegFile(std::move(bytes));
}

}  // namespace vt
