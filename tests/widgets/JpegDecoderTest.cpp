#include <gtest/gtest.h>
#include <jerror.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/widgets/JpegTestFiles.h"
#include "widgets/Exceptions.h"
#include "widgets/Graphic.h"

namespace vt {
namespace {

using test::BlockSamples;
using test::EncodeJpeg;
using test::FindMarkers;
using test::JpegSettings;

std::string JpegMessage(int code) {
  return "JPEG エラー #" + std::to_string(code);
}

void ExpectJpegError(const std::function<void()>& action, int code) {
  try {
    action();
    ADD_FAILURE() << "no error, expected JPEG error " << code;
  } catch (const Exception& e) {
    EXPECT_EQ(e.Kind(), "EJPEG");
    EXPECT_EQ(e.Message(), JpegMessage(code));
  }
}

void ExpectHeaderRejected(const std::vector<uint8_t>& file, int code) {
  ExpectJpegError([&] { DecodeJpegFile(file); }, code);
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  }
  return (a >> 24) == 0;
}

// Checks every pixel against the colour of its 8 x 8 block.
template <typename ColorOf>
void ExpectBlocks(const Bitmap32& bitmap, ColorOf color, int tolerance, int rows = -1) {
  if (rows < 0) rows = bitmap.Height();
  int wrong = 0;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (!Near(bitmap.Pixel(x, y), color(x / 8, y / 8), tolerance) && ++wrong <= 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << bitmap.Pixel(x, y)
                      << ", expected about " << color(x / 8, y / 8);
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

uint32_t Checker(int bx, int by) {
  static const uint32_t colors[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808040};
  return colors[(bx + 2 * by) % 6];
}

std::vector<uint8_t> CheckerJpeg(int width, int height, bool progressive = false) {
  JpegSettings s;
  s.width = width;
  s.height = height;
  s.progressive = progressive;
  return EncodeJpeg(s, BlockSamples(width, height, Checker));
}

void SetSofSize(std::vector<uint8_t>& file, int width, int height) {
  auto sof = FindMarkers(file, 0xC0);
  auto progressive = FindMarkers(file, 0xC2);
  sof.insert(sof.end(), progressive.begin(), progressive.end());
  ASSERT_EQ(sof.size(), 1u);
  file[sof[0] + 5] = uint8_t(height >> 8);
  file[sof[0] + 6] = uint8_t(height);
  file[sof[0] + 7] = uint8_t(width >> 8);
  file[sof[0] + 8] = uint8_t(width);
}

// --- Decoding -----------------------------------------------------------------------------

TEST(JpegDecoder, load_reads_the_size_and_first_pixels_call_decodes_the_image) {
  auto g = DecodeJpegFile(CheckerJpeg(40, 24));
  EXPECT_EQ(g->FormatName(), "jpg");
  EXPECT_EQ(g->Width(), 40);
  EXPECT_EQ(g->Height(), 24);
  EXPECT_EQ(g->TransparentColor(), std::nullopt);
  const Bitmap32* first = g->Pixels();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 40);
  EXPECT_EQ(first->Height(), 24);
  ExpectBlocks(*first, Checker, 3);
  EXPECT_EQ(g->Pixels(), first);
}

TEST(JpegDecoder, grayscale_gives_equal_channels) {
  JpegSettings s;
  s.width = 16;
  s.height = 8;
  s.color_space = JCS_GRAYSCALE;
  std::vector<uint8_t> samples(16 * 8);
  for (int i = 0; i < 16 * 8; ++i) samples[i] = (i % 16) < 8 ? 0x30 : 0xE0;
  auto g = DecodeJpegFile(EncodeJpeg(s, samples));
  ASSERT_NE(g->Pixels(), nullptr);
  ExpectBlocks(
      *g->Pixels(), [](int bx, int) { return bx == 0 ? 0x303030u : 0xE0E0E0u; }, 2);
}

TEST(JpegDecoder, progressive_file_decodes_like_a_baseline_one) {
  auto g = DecodeJpegFile(CheckerJpeg(48, 32, true));
  ASSERT_NE(g->Pixels(), nullptr);
  ExpectBlocks(*g->Pixels(), Checker, 3);
}

TEST(JpegDecoder, adobe_cmyk_is_turned_into_rgb) {
  JpegSettings s;
  s.width = 16;
  s.height = 8;
  s.color_space = JCS_CMYK;
  // Stored inverted as Adobe does: 255 is no ink. Left block: magenta and yellow ink, red.
  // Right block: half black ink alone, a grey.
  std::vector<uint8_t> samples;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint8_t left[] = {255, 0, 0, 255};
      const uint8_t right[] = {255, 255, 255, 128};
      samples.insert(samples.end(), x < 8 ? left : right, (x < 8 ? left : right) + 4);
    }
  }
  auto file = EncodeJpeg(s, samples);
  ASSERT_FALSE(FindMarkers(file, 0xEE).empty()) << "libjpeg writes an Adobe marker for CMYK";
  auto g = DecodeJpegFile(file);
  ASSERT_NE(g->Pixels(), nullptr);
  ExpectBlocks(
      *g->Pixels(), [](int bx, int) { return bx == 0 ? 0xFF0000u : 0x808080u; }, 3);
}

TEST(JpegDecoder, full_hd_picture_from_a_small_file_loads_and_decodes) {
  // A single grey with optimised codes is the most a real JPEG compresses.
  JpegSettings s;
  s.width = 1920;
  s.height = 1080;
  s.color_space = JCS_GRAYSCALE;
  s.optimize = true;
  s.quality = 75;
  auto file = EncodeJpeg(s, std::vector<uint8_t>(1920 * 1080, 0x55));
  EXPECT_LT(file.size(), 100000u);
  auto g = DecodeJpegFile(file);
  EXPECT_EQ(g->Width(), 1920);
  EXPECT_EQ(g->Height(), 1080);
  ASSERT_NE(g->Pixels(), nullptr);
  EXPECT_EQ(g->Pixels()->Pixel(1919, 1079), 0x555555u);
}

// --- Broken files ---------------------------------------------------------------------------

TEST(JpegDecoderBroken, header_rejected_by_libjpeg_reports_its_message_number) {
  ExpectHeaderRejected({}, JERR_INPUT_EMPTY);
  ExpectHeaderRejected({'B', 'M', 0, 0, 0, 0}, JERR_NO_SOI);
  auto file = CheckerJpeg(16, 16);
  ASSERT_EQ(FindMarkers(file, 0xE0).at(0), 2u);
  // Cut after the JFIF segment: the file ends before any frame.
  ExpectHeaderRejected(std::vector<uint8_t>(file.begin(), file.begin() + 20), JERR_NO_IMAGE);
  auto empty = file;
  SetSofSize(empty, 0, 16);
  ExpectHeaderRejected(empty, JERR_EMPTY_IMAGE);
}

TEST(JpegDecoderBroken, size_claim_beyond_what_the_file_can_hold_is_rejected_at_load) {
  auto file = CheckerJpeg(16, 16);
  SetSofSize(file, 30000, 30000);
  ExpectHeaderRejected(file, JERR_IMAGE_TOO_BIG);
  SetSofSize(file, 65000, 65000);
  ExpectHeaderRejected(file, JERR_IMAGE_TOO_BIG);
}

TEST(JpegDecoderBroken, small_size_claim_over_little_data_is_padded) {
  // A megapixel is always allowed; the missing data decode as libjpeg pads them.
  auto file = CheckerJpeg(16, 16);
  SetSofSize(file, 1024, 1024);
  auto g = DecodeJpegFile(file);
  ASSERT_NE(g->Pixels(), nullptr);
  EXPECT_EQ(g->Pixels()->Width(), 1024);
}

TEST(JpegDecoderBroken, failing_image_data_throw_once_and_then_draw_nothing) {
  auto file = CheckerJpeg(32, 32, true);
  const auto scans = FindMarkers(file, 0xDA);
  ASSERT_GE(scans.size(), 2u);
  // The second scan names a component the frame does not have. The header stops at the
  // first scan, so only the decoding meets it.
  file[scans[1] + 5] = 0x77;
  auto g = DecodeJpegFile(file);
  EXPECT_EQ(g->Width(), 32);
  ExpectJpegError([&] { g->Pixels(); }, JERR_BAD_COMPONENT_ID);
  EXPECT_EQ(g->Pixels(), nullptr);
  EXPECT_EQ(g->Pixels(), nullptr);
  EXPECT_EQ(g->Width(), 32);
}

TEST(JpegDecoderBroken, truncated_image_data_are_padded_without_an_error) {
  auto file = CheckerJpeg(64, 64);
  const size_t data = FindMarkers(file, 0xDA).at(0);
  file.resize(data + (file.size() - data) / 2);
  auto g = DecodeJpegFile(file);
  const Bitmap32* pixels = g->Pixels();
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(pixels->Height(), 64);
  ExpectBlocks(*pixels, Checker, 3, 8);
}

TEST(JpegDecoderBroken, damaged_entropy_data_are_tolerated) {
  auto file = CheckerJpeg(64, 64);
  const size_t data = FindMarkers(file, 0xDA).at(0) + 20;
  for (size_t i = data; i < file.size() - 2; i += 7) file[i] = 0x00;
  auto g = DecodeJpegFile(file);
  ASSERT_NE(g->Pixels(), nullptr);
  EXPECT_EQ(g->Pixels()->Width(), 64);
}

// A grey 8 x 8 progressive file with exactly `count` scans (count >= 5): DC in four
// successive-approximation steps, then single-coefficient bands in eight steps each.
std::vector<uint8_t> ManyScans(int count) {
  std::vector<jpeg_scan_info> scans;
  scans.push_back({1, {0}, 0, 0, 0, 3});
  for (int al = 2; al >= 0; --al) scans.push_back({1, {0}, 0, 0, al + 1, al});
  for (int k = 1; int(scans.size()) < count; ++k) {
    scans.push_back({1, {0}, k, k, 0, 7});
    for (int al = 6; al >= 0 && int(scans.size()) < count; --al) {
      scans.push_back({1, {0}, k, k, al + 1, al});
    }
  }
  JpegSettings s;
  s.width = 8;
  s.height = 8;
  s.color_space = JCS_GRAYSCALE;
  s.scans = &scans;
  std::vector<uint8_t> samples(64);
  for (int i = 0; i < 64; ++i) samples[i] = uint8_t(i * 4);
  auto file = EncodeJpeg(s, samples);
  EXPECT_EQ(FindMarkers(file, 0xDA).size(), size_t(count));
  return file;
}

TEST(JpegDecoderBroken, more_than_five_hundred_scans_are_rejected_when_decoding) {
  auto allowed = DecodeJpegFile(ManyScans(500));
  EXPECT_NE(allowed->Pixels(), nullptr);
  auto refused = DecodeJpegFile(ManyScans(501));
  ExpectJpegError([&] { refused->Pixels(); }, JERR_BAD_PROGRESSION);
  EXPECT_EQ(refused->Pixels(), nullptr);
}

TEST(JpegDecoderBroken, large_images_allow_fewer_scans) {
  // 300 scans are fine at 8 x 8 but not over 4096 x 4096 pixels, where at most 256 are. A
  // comment segment makes the file big enough for its size to be believed at all.
  auto file = ManyScans(300);
  EXPECT_NE(DecodeJpegFile(file)->Pixels(), nullptr);
  SetSofSize(file, 4096, 4096);
  std::vector<uint8_t> comment = {0xFF, 0xFE, 0xFF, 0xF0};
  comment.resize(0xFFF0 + 2, ' ');
  file.insert(file.begin() + 2, comment.begin(), comment.end());
  auto g = DecodeJpegFile(file);
  EXPECT_EQ(g->Width(), 4096);
  ExpectJpegError([&] { g->Pixels(); }, JERR_BAD_PROGRESSION);
}

}  // namespace
}  // namespace vt
