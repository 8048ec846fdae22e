#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/widgets/BitmapTestFiles.h"
#include "widgets/Exceptions.h"
#include "widgets/Graphic.h"

namespace vt {
namespace {

using test::BmpFields;
using test::PackRows;
using test::WriteBmp;
using Rows = std::vector<std::vector<uint32_t>>;

const std::string kInvalid = "ビットマップイメージが不正です";
const std::string kShort = "ストリームからの読み込みエラー";

const std::vector<uint32_t> kPalette16 = {
    0x102030, 0xA0B0C0, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
    0x808080, 0x123456, 0x654321, 0xABCDEF, 0xFEDCBA, 0x0F0F0F, 0xF0F0F0, 0x7F7F7F};

std::vector<uint32_t> Palette256() {
  std::vector<uint32_t> p;
  for (uint32_t i = 0; i < 256; ++i) p.push_back(((i * 7) & 0xFF) << 16 | (255 - i) << 8 | i);
  return p;
}

std::unique_ptr<TGraphic> Decode(const std::vector<uint8_t>& file) {
  return DecodeBitmapFile(std::span<const uint8_t>(file));
}

// Every pixel of the picture, rows top to bottom as displayed.
Rows PixelsOf(TGraphic& graphic) {
  const Bitmap32* bitmap = graphic.Pixels();
  EXPECT_NE(bitmap, nullptr);
  Rows rows;
  if (!bitmap) return rows;
  for (int y = 0; y < bitmap->Height(); ++y) {
    rows.emplace_back(bitmap->Row(y), bitmap->Row(y) + bitmap->Width());
  }
  return rows;
}

Rows MapRows(const Rows& indexes, const std::vector<uint32_t>& palette) {
  Rows out = indexes;
  for (auto& row : out) {
    for (auto& v : row) v = v < palette.size() ? palette[v] : 0;
  }
  return out;
}

Rows Reversed(Rows rows) {
  return Rows(rows.rbegin(), rows.rend());
}

void ExpectFailure(const std::vector<uint8_t>& file, const std::string& kind,
                   const std::string& message) {
  try {
    Decode(file);
    ADD_FAILURE() << "decoded without error, expected " << kind;
  } catch (const Exception& e) {
    EXPECT_EQ(e.Kind(), kind);
    EXPECT_EQ(e.Message(), message);
  }
}

BmpFields Indexed(int bit_count, const Rows& file_rows, std::vector<uint32_t> palette) {
  BmpFields f;
  f.width = int32_t(file_rows[0].size());
  f.height = int32_t(file_rows.size());
  f.bit_count = uint16_t(bit_count);
  f.palette = std::move(palette);
  f.pixels = PackRows(bit_count, file_rows);
  return f;
}

// --- Uncompressed formats ---------------------------------------------------------------

struct IndexedCase {
  int bit_count;
  Rows file_rows;
};

class IndexedBitmap : public testing::TestWithParam<IndexedCase> {};

// A full colour table for the bit depth.
std::vector<uint32_t> TableFor(int bit_count) {
  const auto palette = bit_count == 8 ? Palette256() : kPalette16;
  return std::vector<uint32_t>(palette.begin(), palette.begin() + (1 << bit_count));
}

TEST_P(IndexedBitmap, bottom_up_rows_decode_through_the_colour_table) {
  const auto& c = GetParam();
  const auto table = TableFor(c.bit_count);
  auto g = Decode(WriteBmp(Indexed(c.bit_count, c.file_rows, table)));
  EXPECT_EQ(g->FormatName(), "bmp");
  EXPECT_EQ(g->Width(), 3);
  EXPECT_EQ(g->Height(), 2);
  EXPECT_EQ(PixelsOf(*g), Reversed(MapRows(c.file_rows, table)));
}

TEST_P(IndexedBitmap, core_header_uses_three_byte_colour_entries) {
  const auto& c = GetParam();
  const auto table = TableFor(c.bit_count);
  BmpFields f = Indexed(c.bit_count, c.file_rows, table);
  f.header_size = 12;
  auto g = Decode(WriteBmp(f));
  EXPECT_EQ(PixelsOf(*g), Reversed(MapRows(c.file_rows, table)));
}

TEST_P(IndexedBitmap, negative_height_stores_rows_top_down) {
  const auto& c = GetParam();
  const auto table = TableFor(c.bit_count);
  BmpFields f = Indexed(c.bit_count, c.file_rows, table);
  f.height = -f.height;
  auto g = Decode(WriteBmp(f));
  EXPECT_EQ(g->Height(), 2);
  EXPECT_EQ(PixelsOf(*g), MapRows(c.file_rows, table));
}

INSTANTIATE_TEST_SUITE_P(BitDepths, IndexedBitmap,
                         testing::Values(IndexedCase{1, {{0, 1, 1}, {1, 0, 0}}},
                                         IndexedCase{4, {{1, 2, 15}, {14, 0, 7}}},
                                         IndexedCase{8, {{1, 200, 255}, {17, 0, 128}}}),
                         [](const auto& info) {
                           return std::to_string(info.param.bit_count) + "bpp";
                         });

TEST(BitmapDecoder, short_colour_table_from_colors_used_makes_higher_indexes_black) {
  BmpFields f = Indexed(8, {{0, 1, 2, 3}}, {0xFF0000, 0x00FF00});
  f.colors_used = 2;
  auto g = Decode(WriteBmp(f));
  EXPECT_EQ(PixelsOf(*g), (Rows{{0xFF0000, 0x00FF00, 0, 0}}));
}

TEST(BitmapDecoder, colour_table_cut_short_by_the_pixel_offset_is_honoured) {
  // colors_used 0 declares 16 entries, but the pixels start after the third.
  BmpFields f = Indexed(4, {{0, 1, 2, 3, 15}}, {0x112233, 0x445566, 0x778899});
  auto g = Decode(WriteBmp(f));
  EXPECT_EQ(PixelsOf(*g), (Rows{{0x112233, 0x445566, 0x778899, 0, 0}}));
}

TEST(BitmapDecoder, pixel_offset_past_the_colour_table_skips_the_gap) {
  BmpFields f = Indexed(8, {{1, 0}}, {0x0000FF, 0x00FF00});
  f.colors_used = 2;
  f.gap = {9, 9, 9, 9, 9, 9};
  auto g = Decode(WriteBmp(f));
  EXPECT_EQ(PixelsOf(*g), (Rows{{0x00FF00, 0x0000FF}}));
}

TEST(BitmapDecoder, pixel_offset_outside_the_file_or_inside_the_headers_is_ignored) {
  for (uint32_t offset : {0u, 20u, 100000u}) {
    BmpFields f = Indexed(8, {{1, 0}}, {0x0000FF, 0x00FF00});
    f.colors_used = 2;
    f.data_offset = offset;
    auto g = Decode(WriteBmp(f));
    EXPECT_EQ(PixelsOf(*g), (Rows{{0x00FF00, 0x0000FF}})) << offset;
  }
}

TEST(BitmapDecoder, twenty_four_bit_rows_are_blue_green_red_with_padding) {
  const Rows file_rows = {{0x123456, 0xFFFFFF, 0x000001}, {0xFF0000, 0x00FF00, 0x0000FF}};
  BmpFields f{.width = 3, .height = 2, .bit_count = 24, .pixels = PackRows(24, file_rows)};
  EXPECT_EQ(f.pixels.size(), 24u);
  EXPECT_EQ(PixelsOf(*Decode(WriteBmp(f))), Reversed(file_rows));
  f.height = -2;
  EXPECT_EQ(PixelsOf(*Decode(WriteBmp(f))), file_rows);
}

TEST(BitmapDecoder, every_info_header_size_reads_the_same_fields) {
  const Rows rows = {{0xABCDEF, 0x010203}, {0x808080, 0xFEDCBA}};
  for (uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(size);
    const BmpFields f{.header_size = size, .width = 2, .height = -2, .pixels = PackRows(24, rows)};
    EXPECT_EQ(PixelsOf(*Decode(WriteBmp(f))), rows);
  }
}

TEST(BitmapDecoder, masks_inside_larger_headers_select_the_channels) {
  for (uint32_t size : {52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(size);
    // Red in the low byte, blue in the third: the reverse of the usual order.
    const BmpFields f{.header_size = size,
                      .width = 2,
                      .height = 1,
                      .bit_count = 32,
                      .compression = 3,
                      .masks = std::vector<uint32_t>{0x000000FF, 0x0000FF00, 0x00FF0000},
                      .pixels = PackRows(32, {{0xEE332211, 0x000000FF}})};
    EXPECT_EQ(PixelsOf(*Decode(WriteBmp(f))), (Rows{{0x112233, 0xFF0000}}));
  }
}

TEST(BitmapDecoder, direct_colour_pixels_decode_to_exact_colours) {
  const std::vector<uint32_t> mask565 = {0xF800, 0x07E0, 0x001F};
  const struct {
    const char* behaviour;
    BmpFields fields;
    Rows expected;
  } cases[] = {
      {"sixteen-bit plain RGB is five-five-five",
       {.width = 3,
        .height = -2,
        .bit_count = 16,
        .pixels = PackRows(16, {{0x7FFF, 0x7C00, 0x03E0}, {0x001F, 0x0001, 0x4210 | 0x8000}})},
       {{0xFFFFFF, 0xFF0000, 0x00FF00}, {0x0000FF, 0x000008, 0x848484}}},
      {"sixteen-bit fields after an info header decode five-six-five",
       {.width = 4,
        .height = -1,
        .bit_count = 16,
        .compression = 3,
        .masks = mask565,
        .pixels = PackRows(16, {{0xF800, 0x07E0, 0x0020, 0x0841}})},
       {{0xFF0000, 0x00FF00, 0x000400, 0x080808}}},
      {"plain RGB in a v4 header ignores the masks it carries",
       {.header_size = 108,
        .width = 1,
        .height = 1,
        .bit_count = 16,
        .masks = mask565,
        .pixels = PackRows(16, {{0x7C00}})},
       {{0xFF0000}}},
      {"thirty-two-bit plain RGB ignores alpha",
       {.width = 2,
        .height = 1,
        .bit_count = 32,
        .pixels = PackRows(32, {{0xFF112233, 0x80FFFFFF}})},
       {{0x112233, 0xFFFFFF}}},
      {"wide bit fields keep their top eight bits",
       {.width = 1,
        .height = 1,
        .bit_count = 32,
        .compression = 3,
        .masks = std::vector<uint32_t>{0x3FF00000, 0x000FFC00, 0x000003FF},
        .pixels = PackRows(32, {{(0x3FFu << 20) | (0x200u << 10) | 0x004u}})},
       {{0xFF8001}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.behaviour);
    EXPECT_EQ(PixelsOf(*Decode(WriteBmp(c.fields))), c.expected);
  }
}

// --- Run-length encoding ------------------------------------------------------------------

const std::vector<uint32_t> kRlePalette = {0x111111, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr uint32_t B = 0;  // Pixels that the runs never reach.

// An RLE8 bitmap over kRlePalette.
BmpFields Rle8(int32_t width, int32_t height, std::vector<uint8_t> data) {
  return {.width = width,
          .height = height,
          .bit_count = 8,
          .compression = 1,
          .palette = kRlePalette,
          .pixels = std::move(data)};
}

TEST(BitmapDecoder, rle8_runs_absolute_runs_end_of_line_delta_and_end_of_bitmap) {
  BmpFields f =
      Rle8(6, 4, {3, 1, 0, 3, 2, 3, 2, 0,  // row 0: three 1s, absolute 2 3 2 and its pad byte
                  0, 0,                    // end of line
                  2, 3, 0, 2, 2, 1,        // row 1: two 3s, then move right 2 and up 1
                  2, 1, 0, 0,              // row 2 from column 4: two 1s, end of line
                  8, 2,                    // row 3: eight 2s, clipped at the right edge
                  0, 1,                    // end of bitmap
                  5, 3});                  // never read
  f.colors_used = 4;
  auto g = Decode(WriteBmp(f));
  const uint32_t r = 0xFF0000, gr = 0x00FF00, bl = 0x0000FF;
  EXPECT_EQ(PixelsOf(*g), (Rows{{gr, gr, gr, gr, gr, gr},
                                {B, B, B, B, r, r},
                                {bl, bl, B, B, B, B},
                                {r, r, r, gr, bl, gr}}));
  EXPECT_EQ(g->TransparentColor(), r);
}

TEST(BitmapDecoder, rle4_alternates_nibbles_and_pads_absolute_runs_to_words) {
  const BmpFields f{.width = 7,
                    .height = 2,
                    .bit_count = 4,
                    .compression = 2,
                    .palette = kPalette16,
                    .pixels = {3, 0x12,           // 1 2 1
                               0, 3, 0xAB, 0xC0,  // absolute A B C: two bytes, a whole word
                               1, 0x70,           // 7
                               0, 0,              // end of line
                               0, 5, 0xDE, 0xF1, 0x20,
                               0x00}};  // absolute D E F 1 2: three bytes and a pad; data end
  auto g = Decode(WriteBmp(f));
  const auto& p = kPalette16;
  EXPECT_EQ(PixelsOf(*g), (Rows{{p[13], p[14], p[15], p[1], p[2], B, B},
                                {p[1], p[2], p[1], p[10], p[11], p[12], p[7]}}));
}

TEST(BitmapDecoder, rle_that_leaves_the_image_is_clipped_not_written_outside) {
  const BmpFields f = Rle8(2, 2, {0,   2, 200, 0,    // delta far to the right
                                  255, 1,            // a run entirely past the edge
                                  0,   0, 1,   2,    // end of line, one pixel on row 1
                                  0,   2, 0,   200,  // delta far above the top
                                  3,   3, 0,   0,   0, 1});
  EXPECT_EQ(PixelsOf(*Decode(WriteBmp(f))), (Rows{{0x00FF00, B}, {B, B}}));
}

TEST(BitmapDecoder, rle_absolute_run_cut_off_by_the_end_of_the_file_keeps_what_is_there) {
  EXPECT_EQ(PixelsOf(*Decode(WriteBmp(Rle8(4, 1, {0, 16, 1, 2})))),
            (Rows{{0xFF0000, 0x00FF00, B, B}}));
}

// --- Transparent colour -----------------------------------------------------------------------

TEST(BitmapDecoder, transparent_colour_is_the_bottom_left_pixel) {
  BmpFields f = Indexed(8, {{1, 2}, {3, 0}}, {0x000000, 0x112233, 0x445566, 0x778899});
  EXPECT_EQ(Decode(WriteBmp(f))->TransparentColor(), 0x112233u);
  f.height = -2;
  EXPECT_EQ(Decode(WriteBmp(f))->TransparentColor(), 0x778899u);
}

TEST(BitmapDecoder, transparent_colour_of_a_monochrome_bitmap_is_white) {
  BmpFields f = Indexed(1, {{0, 0}}, {0xFF0000, 0x0000FF});
  auto g = Decode(WriteBmp(f));
  EXPECT_EQ(PixelsOf(*g)[0][0], 0xFF0000u);
  EXPECT_EQ(g->TransparentColor(), 0xFFFFFFu);
}

TEST(BitmapDecoder, empty_file_is_an_empty_picture_without_transparent_colour) {
  auto g = Decode({});
  EXPECT_TRUE(g->IsEmpty());
  EXPECT_EQ(g->Width(), 0);
  EXPECT_EQ(g->Height(), 0);
  ASSERT_NE(g->Pixels(), nullptr);
  EXPECT_TRUE(g->Pixels()->IsEmpty());
  EXPECT_EQ(g->TransparentColor(), std::nullopt);
}

// --- Malformed files ---------------------------------------------------------------------------

BmpFields Small24() {
  return {.width = 3, .height = 2, .pixels = PackRows(24, {{1, 2, 3}, {4, 5, 6}})};
}

TEST(BitmapDecoderMalformed, file_shorter_than_its_header_is_a_read_error) {
  for (size_t size : {size_t(1), size_t(2), size_t(13)}) {
    ExpectFailure(std::vector<uint8_t>(size, 'B'), "EReadError", kShort);
  }
}

TEST(BitmapDecoderMalformed, missing_bm_signature_is_invalid) {
  BmpFields f = Small24();
  f.magic[0] = 'M';
  f.magic[1] = 'B';
  ExpectFailure(WriteBmp(f), "EInvalidGraphic", kInvalid);
  ExpectFailure(std::vector<uint8_t>(14, 0), "EInvalidGraphic", kInvalid);
}

TEST(BitmapDecoderMalformed, data_ending_early_is_a_read_error) {
  const auto whole = WriteBmp(Small24());
  // Cut inside the info header, just after its size field, and one byte short of the pixels.
  for (size_t size : {size_t(15), size_t(18), size_t(30), size_t(53), whole.size() - 1}) {
    ExpectFailure(std::vector<uint8_t>(whole.begin(), whole.begin() + size), "EReadError", kShort);
  }
  BmpFields palette = Indexed(8, {{1, 2}}, Palette256());
  auto cut = WriteBmp(palette);
  cut.resize(14 + 40 + 100 * 4);
  ExpectFailure(cut, "EReadError", kShort);
  const BmpFields two_masks{.width = 1,
                            .height = 1,
                            .bit_count = 16,
                            .compression = 3,
                            .masks = std::vector<uint32_t>{0xF800, 0x07E0}};
  ExpectFailure(WriteBmp(two_masks), "EReadError", kShort);
}

TEST(BitmapDecoderMalformed, absurd_sizes_are_invalid) {
  const std::vector<std::pair<int32_t, int32_t>> sizes = {
      {0, 2},     {3, 0},      {-3, 2},        {3, INT32_MIN},        {INT32_MIN, 1},
      {40000, 1}, {1, -40000}, {20000, 20000}, {INT32_MAX, INT32_MAX}};
  for (const auto& [w, h] : sizes) {
    BmpFields f = Small24();
    f.width = w;
    f.height = h;
    ExpectFailure(WriteBmp(f), "EInvalidGraphic", kInvalid);
  }
}

TEST(BitmapDecoderMalformed, rows_the_file_cannot_hold_fail_before_any_allocation) {
  // 32000 x 8000 at 32 bits would need 1 GB; the file holds 24 bytes of pixels.
  BmpFields f = Small24();
  f.width = 32000;
  f.height = 8000;
  f.bit_count = 32;
  ExpectFailure(WriteBmp(f), "EReadError", kShort);
}

TEST(BitmapDecoderMalformed, unknown_header_sizes_depths_and_compressions_are_invalid) {
  for (uint32_t header_size : {0u, 16u, 20u, 64u, 200u}) {
    BmpFields f = Small24();
    f.header_size = header_size;
    f.pixels.resize(400);
    ExpectFailure(WriteBmp(f), "EInvalidGraphic", kInvalid);
  }
  for (uint16_t bits : {0, 2, 3, 15, 48, 64}) {
    BmpFields f = Small24();
    f.bit_count = bits;
    ExpectFailure(WriteBmp(f), "EInvalidGraphic", kInvalid);
  }
  BmpFields core = Small24();
  core.header_size = 12;
  core.bit_count = 32;
  ExpectFailure(WriteBmp(core), "EInvalidGraphic", kInvalid);
  const std::vector<std::pair<uint16_t, uint32_t>> combos = {
      {24, 1}, {4, 1}, {8, 2}, {24, 3}, {8, 3}, {24, 4}, {24, 5}, {32, 6}, {24, 0x7FFFFFFF}};
  for (const auto& [bits, compression] : combos) {
    BmpFields f = Small24();
    f.bit_count = bits;
    f.compression = compression;
    f.masks = std::vector<uint32_t>{0xF800, 0x07E0, 0x001F};
    f.pixels.resize(400);
    ExpectFailure(WriteBmp(f), "EInvalidGraphic", kInvalid);
  }
}

TEST(BitmapDecoderMalformed, bad_bit_field_masks_are_invalid) {
  const std::vector<std::vector<uint32_t>> bad = {
      {0x0F0F, 0x00F0, 0x0000},    // red not contiguous
      {0xF800, 0x0FE0, 0x001F},    // red and green overlap
      {0x1F0000, 0x07E0, 0x001F},  // red outside a 16-bit pixel
      {0, 0, 0}};
  for (const auto& masks : bad) {
    const BmpFields f{.width = 2,
                      .height = 1,
                      .bit_count = 16,
                      .compression = 3,
                      .masks = masks,
                      .pixels = PackRows(16, {{1, 2}})};
    ExpectFailure(WriteBmp(f), "EInvalidGraphic", kInvalid);
  }
}

TEST(BitmapDecoderMalformed, run_length_claim_far_beyond_the_data_is_invalid) {
  BmpFields f = Rle8(8000, 8000, {0, 1});
  ExpectFailure(WriteBmp(f), "EInvalidGraphic", kInvalid);
  // The same picture is accepted when the data could cover it at 256 pixels a byte.
  f.width = 256;
  f.height = 1000;
  f.pixels.assign(1000, 0);
  f.pixels[0] = 1;  // one pixel of colour 0, then ends of line
  auto g = Decode(WriteBmp(f));
  EXPECT_EQ(g->Width(), 256);
  EXPECT_EQ(g->Pixels()->Pixel(0, 999), 0x111111u);
}

}  // namespace
}  // namespace vt
