#include "widgets/BitmapDecoder.h"

#include <algorithm>
#include <bit>
#include <string>

#include "widgets/Exceptions.h"

namespace vt {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

constexpr int64_t kMaxSide = 32768;
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
constexpr uint64_t kRunLengthPixelsPerByte = 256;
constexpr uint64_t kRunLengthFreePixels = 65536;

const char* const kInvalidBitmapMessage = "ビットマップイメージが不正です";
const char* const kReadErrorMessage = "ストリームからの読み込みエラー";

[[noreturn]] void FailInvalid() {
  throw EInvalidGraphic(kInvalidBitmapMessage);
}
[[noreturn]] void FailShort() {
  throw EReadError(kReadErrorMessage);
}

// Callers check the bounds first; these only assemble little-endian fields.
uint16_t ReadU16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace

void BitmapDecoder::Decode() {
  m_pixels = Bitmap32();
  m_palette.clear();
  if (m_file.empty()) return;
  if (m_file.size() < kFileHeaderSize) FailShort();
  if (m_file[0] != 'B' || m_file[1] != 'M') FailInvalid();
  const uint32_t data_offset_field = ReadU32(m_file.data() + 10);

  ReadInfoHeader();
  CheckDimensions();

  // The bit-field masks sit right after the fields of a plain info header: inside the larger
  // headers, after the smallest one. The colour table follows the header and any masks.
  size_t after_header = kFileHeaderSize + m_headerSize;
  if (m_compression == kBiBitfields) {
    ReadMasks(kFileHeaderSize + kInfoHeaderSize);
    if (m_headerSize == kInfoHeaderSize) after_header += 12;
  } else if (m_bitCount == 16) {
    m_red = MakeChannel(0x7C00);
    m_green = MakeChannel(0x03E0);
    m_blue = MakeChannel(0x001F);
  } else if (m_bitCount == 32) {
    m_red = MakeChannel(0xFF0000);
    m_green = MakeChannel(0x00FF00);
    m_blue = MakeChannel(0x0000FF);
  }

  // Up to 8 bits the table holds the colours (all 2^bits unless fewer are declared used);
  // above that it is only an optional hint for palette displays, skipped here.
  size_t entries = m_colorsUsed;
  if (m_bitCount <= 8) {
    const size_t full = size_t(1) << m_bitCount;
    entries = (m_colorsUsed > 0 && m_colorsUsed < full) ? m_colorsUsed : full;
  }
  const size_t entry_size = m_headerSize == kCoreHeaderSize ? 3 : 4;
  size_t data_offset = after_header + entries * entry_size;
  // The offset of the pixels is honoured when it lies past the headers and inside the file.
  // Writers that store a shorter colour table than they declare say so only through it.
  if (data_offset_field >= after_header && data_offset_field < m_file.size()) {
    entries = std::min(entries, (data_offset_field - after_header) / entry_size);
    data_offset = data_offset_field;
  }
  if (m_bitCount <= 8) ReadPalette(after_header, entries, entry_size);

  if (m_compression == kBiRle8 || m_compression == kBiRle4) {
    DecodeRunLength(data_offset);
  } else {
    DecodeUncompressed(data_offset);
  }
}

void BitmapDecoder::ReadInfoHeader() {
  if (m_file.size() < kFileHeaderSize + 4) FailShort();
  m_headerSize = ReadU32(m_file.data() + kFileHeaderSize);
  switch (m_headerSize) {
    case kCoreHeaderSize:
    case kInfoHeaderSize:
    case 52:
    case 56:
    case 108:
    case 124:
      break;
    default:
      FailInvalid();
  }
  if (m_file.size() < kFileHeaderSize + m_headerSize) FailShort();
  const uint8_t* h = m_file.data() + kFileHeaderSize;
  if (m_headerSize == kCoreHeaderSize) {
    // Core headers hold unsigned sizes, so these bitmaps are always bottom-up.
    m_width = ReadU16(h + 4);
    m_height = ReadU16(h + 6);
    m_bitCount = ReadU16(h + 10);
    m_compression = kBiRgb;
    m_colorsUsed = 0;
    if (m_bitCount != 1 && m_bitCount != 4 && m_bitCount != 8 && m_bitCount != 24) FailInvalid();
    m_topDown = false;
    return;
  }
  m_width = int32_t(ReadU32(h + 4));
  const int32_t height = int32_t(ReadU32(h + 8));
  m_bitCount = ReadU16(h + 14);
  m_compression = ReadU32(h + 16);
  m_colorsUsed = ReadU32(h + 32);
  // A negative height marks rows stored top to bottom; its magnitude is the height. The most
  // negative value has no magnitude.
  if (height == INT32_MIN) FailInvalid();
  m_topDown = height < 0;
  m_height = m_topDown ? -height : height;

  switch (m_bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      FailInvalid();
  }
  switch (m_compression) {
    case kBiRgb:
      break;
    case kBiRle8:
      if (m_bitCount != 8) FailInvalid();
      break;
    case kBiRle4:
      if (m_bitCount != 4) FailInvalid();
      break;
    case kBiBitfields:
      if (m_bitCount != 16 && m_bitCount != 32) FailInvalid();
      break;
    default:
      FailInvalid();
  }
}

void BitmapDecoder::CheckDimensions() const {
  if (m_width <= 0 || m_height <= 0) FailInvalid();
  if (m_width > kMaxSide || m_height > kMaxSide) FailInvalid();
  if (uint64_t(m_width) * uint64_t(m_height) > kMaxPixels) FailInvalid();
}

void BitmapDecoder::ReadMasks(size_t offset) {
  if (m_file.size() < offset + 12) FailShort();
  m_red = MakeChannel(ReadU32(m_file.data() + offset));
  m_green = MakeChannel(ReadU32(m_file.data() + offset + 4));
  m_blue = MakeChannel(ReadU32(m_file.data() + offset + 8));
  if ((m_red.mask & m_green.mask) || (m_red.mask & m_blue.mask) || (m_green.mask & m_blue.mask)) {
    FailInvalid();
  }
  if ((m_red.mask | m_green.mask | m_blue.mask) == 0) FailInvalid();
}

BitmapDecoder::Channel BitmapDecoder::MakeChannel(uint32_t mask) const {
  Channel channel;
  if (mask == 0) return channel;
  if (m_bitCount < 32 && (uint64_t(mask) >> m_bitCount) != 0) FailInvalid();
  channel.mask = mask;
  channel.shift = std::countr_zero(mask);
  channel.bits = std::popcount(mask);
  // Contiguous: the mask shifted down is a run of ones from bit 0.
  const uint64_t run = uint64_t(mask) >> channel.shift;
  if ((run & (run + 1)) != 0) FailInvalid();
  return channel;
}

uint32_t BitmapDecoder::Expand(uint32_t pixel, const Channel& channel) {
  if (channel.bits == 0) return 0;
  const uint32_t value = (pixel & channel.mask) >> channel.shift;
  if (channel.bits >= 8) return value >> (channel.bits - 8);
  // Fewer than eight bits are stretched over the whole range, so full intensity stays 255.
  const uint32_t max = (1u << channel.bits) - 1;
  return (value * 255 + max / 2) / max;
}

void BitmapDecoder::ReadPalette(size_t offset, size_t entries, size_t entry_size) {
  if (m_file.size() < offset + entries * entry_size) FailShort();
  m_palette.resize(entries);
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t* entry = m_file.data() + offset + i * entry_size;
    m_palette[i] = Rgb(entry[2], entry[1], entry[0]);
  }
}

TColor BitmapDecoder::PaletteColor(unsigned index) const {
  return index < m_palette.size() ? m_palette[index] : clBlack;
}

uint32_t* BitmapDecoder::DisplayRow(int64_t file_row) {
  return m_pixels.Row(m_topDown ? int(file_row) : m_height - 1 - int(file_row));
}

void BitmapDecoder::DecodeUncompressed(size_t offset) {
  const uint64_t stride = (uint64_t(m_width) * uint64_t(m_bitCount) + 31) / 32 * 4;
  const uint64_t needed = stride * uint64_t(m_height);
  if (offset > m_file.size() || m_file.size() - offset < needed) FailShort();
  m_pixels.Resize(m_width, m_height);
  for (int64_t y = 0; y < m_height; ++y) {
    const uint8_t* src = m_file.data() + offset + size_t(y) * stride;
    uint32_t* dst = DisplayRow(y);
    switch (m_bitCount) {
      case 1:
        for (int x = 0; x < m_width; ++x) {
          dst[x] = PaletteColor((src[x >> 3] >> (7 - (x & 7))) & 1);
        }
        break;
      case 4:
        for (int x = 0; x < m_width; ++x) {
          dst[x] = PaletteColor((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
        }
        break;
      case 8:
        for (int x = 0; x < m_width; ++x) dst[x] = PaletteColor(src[x]);
        break;
      case 16:
        for (int x = 0; x < m_width; ++x) {
          const uint32_t v = ReadU16(src + 2 * x);
          dst[x] = Rgb(Expand(v, m_red), Expand(v, m_green), Expand(v, m_blue));
        }
        break;
      case 24:
        for (int x = 0; x < m_width; ++x) dst[x] = Rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      case 32:
        for (int x = 0; x < m_width; ++x) {
          const uint32_t v = ReadU32(src + 4 * x);
          dst[x] = Rgb(Expand(v, m_red), Expand(v, m_green), Expand(v, m_blue));
        }
        break;
    }
  }
}

void BitmapDecoder::DecodeRunLength(size_t offset) {
  const std::span<const uint8_t> data =
      offset < m_file.size() ? m_file.subspan(offset) : std::span<const uint8_t>();
  const uint64_t limit = std::max(kRunLengthFreePixels, kRunLengthPixelsPerByte * data.size());
  if (uint64_t(m_width) * uint64_t(m_height) > limit) FailInvalid();
  m_pixels.Resize(m_width, m_height, clBlack);

  const bool nibbles = m_compression == kBiRle4;
  // Positions are counted in 64 bits: deltas and long lines can push them far past the
  // image before the data run out, and everything outside the image is simply not drawn.
  int64_t x = 0;
  int64_t y = 0;
  size_t pos = 0;
  auto put = [&](unsigned index) {
    if (x < m_width) DisplayRow(y)[x] = PaletteColor(index);
    ++x;
  };
  while (pos + 2 <= data.size() && y < m_height) {
    const unsigned count = data[pos];
    const unsigned value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < m_width; ++i) {
        put(nibbles ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      }
      continue;
    }
    if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (pos + 2 > data.size()) break;
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
    } else {
      const size_t bytes = nibbles ? (value + 1) / 2 : value;
      for (unsigned i = 0; i < value && x < m_width; ++i) {
        const size_t at = pos + (nibbles ? i / 2 : i);
        if (at >= data.size()) break;
        const unsigned byte = data[at];
        put(nibbles ? ((i & 1) ? (byte & 0x0F) : (byte >> 4)) : byte);
      }
      // Absolute runs are padded to a 16-bit boundary.
      pos += bytes + (bytes & 1);
    }
  }
}

std::optional<TColor> BitmapDecoder::TransparentColor() const {
  if (m_pixels.IsEmpty()) return std::nullopt;
  if (m_bitCount == 1) return clWhite;
  return m_pixels.Pixel(0, m_pixels.Height() - 1);
}

}  // namespace vt
