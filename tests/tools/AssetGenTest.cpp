// Runs the asset generator as the build does and checks what it writes: names, formats,
// sizes, transparency grounds and the pixels the layout depends on.

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Color.h"
#include "widgets/Graphic.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

const char* const kBuiltinFiles[] = {"backdrop.jpg", "building.jpg",  "car.jpg",  "person.bmp",
                                     "rooftop.bmp",  "signboard.jpg", "icon.bmp", "icon.ico"};
const char* const kDataFiles[] = {"mirso0.jpg", "mirso1.jpg", "mirso2.jpg", "mirso3.jpg",
                                  "mirso4.jpg", "mirso5.jpg", "Hito0.bmp",  "Hito1.bmp",
                                  "Hito2.bmp",  "Hito3.bmp",  "Hito4.bmp"};

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return uint16_t(b[at] | b[at + 1] << 8);
}

// Runs the generator with the given arguments; returns its exit code.
int RunGenerator(const std::string& args) {
  const std::string command =
      std::string("'") + VT_BINARY_DIR + "/vantorel-assetgen' " + args + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

struct JpegHeader {
  int width = 0;
  int height = 0;
  int components = 0;
  int precision = 0;
  bool progressive = false;
  bool arithmetic = false;
  int frameMarker = 0;  // the SOFn marker's second byte; 0xC0 for baseline
};

JpegHeader ReadJpegHeader(const fs::path& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  JpegHeader h;
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK) {
    h.width = int(cinfo.image_width);
    h.height = int(cinfo.image_height);
    h.components = cinfo.num_components;
    h.precision = cinfo.data_precision;
    h.progressive = cinfo.progressive_mode;
    h.arithmetic = cinfo.arith_code;
  }
  jpeg_destroy_decompress(&cinfo);
  // Walk the markers up to the frame header, which tells baseline from extended.
  for (size_t i = 2; i + 3 < bytes.size();) {
    if (bytes[i] != 0xFF) break;
    const int marker = bytes[i + 1];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      h.frameMarker = marker;
      break;
    }
    i += 2 + (size_t(bytes[i + 2]) << 8 | bytes[i + 3]);
  }
  return h;
}

void ExpectBaselineJpeg(const fs::path& path, int width, int height) {
  SCOPED_TRACE(path.string());
  const JpegHeader h = ReadJpegHeader(path);
  EXPECT_EQ(h.width, width);
  EXPECT_EQ(h.height, height);
  EXPECT_EQ(h.components, 3);
  EXPECT_EQ(h.precision, 8);
  EXPECT_FALSE(h.progressive);
  EXPECT_FALSE(h.arithmetic);
  EXPECT_EQ(h.frameMarker, 0xC0);
}

// The pixels as the program itself decodes them.
Bitmap32 Decode(const fs::path& path) {
  std::unique_ptr<TGraphic> graphic = LoadGraphicFromFile(path.string());
  const Bitmap32* pixels = graphic->Pixels();
  return pixels ? *pixels : Bitmap32();
}

bool Near(TColor c, int r, int g, int b, int tolerance) {
  return std::abs(int(RedOf(c)) - r) <= tolerance && std::abs(int(GreenOf(c)) - g) <= tolerance &&
         std::abs(int(BlueOf(c)) - b) <= tolerance;
}

std::string Describe(TColor c) {
  return std::to_string(RedOf(c)) + "," + std::to_string(GreenOf(c)) + "," +
         std::to_string(BlueOf(c));
}

// The build runs the generator into its own folders before this test is built; most tests
// check those files, the ones the program embeds and loads. Each test gets a scratch folder
// for runs of its own.
class AssetGenTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantorel-assetgen-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_scratch = pattern;
  }
  void TearDown() override {
    if (!m_scratch.empty()) fs::remove_all(m_scratch);
  }

  static fs::path Builtin(const std::string& name) {
    return fs::path(VT_BINARY_DIR) / "generated" / name;
  }
  static fs::path Data(const std::string& name) {
    return fs::path(VT_BINARY_DIR) / "VantorelData" / name;
  }
  static fs::path Backdrop(int n) { return Data("mirso" + std::to_string(n) + ".jpg"); }
  static fs::path Person(int k) { return Data("Hito" + std::to_string(k) + ".bmp"); }

  fs::path m_scratch;
};

std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

TEST_F(AssetGenTest, AFreshRunWritesTheNamedFilesWithTheBuildsBytes) {
  ASSERT_EQ(RunGenerator("--builtin " + Quoted(m_scratch / "builtin") + " --data " +
                         Quoted(m_scratch / "VantorelData")),
            0);
  EXPECT_EQ(Listing(m_scratch / "builtin"),
            std::set<std::string>(std::begin(kBuiltinFiles), std::end(kBuiltinFiles)));
  EXPECT_EQ(Listing(m_scratch / "VantorelData"),
            std::set<std::string>(std::begin(kDataFiles), std::end(kDataFiles)));
  // The same bytes as the build's own run: nothing depends on time, place or chance.
  for (const char* name : kBuiltinFiles) {
    const std::vector<uint8_t> fresh = ReadBytes(m_scratch / "builtin" / name);
    EXPECT_FALSE(fresh.empty()) << name;
    EXPECT_TRUE(fresh == ReadBytes(Builtin(name))) << name << " differs between runs";
  }
  for (const char* name : kDataFiles) {
    const std::vector<uint8_t> fresh = ReadBytes(m_scratch / "VantorelData" / name);
    EXPECT_FALSE(fresh.empty()) << name;
    EXPECT_TRUE(fresh == ReadBytes(Data(name))) << name << " differs between runs";
  }
}

TEST_F(AssetGenTest, JpegsAreBaselineEightBitColourOfTheirSizes) {
  ExpectBaselineJpeg(Builtin("backdrop.jpg"), 733, 550);
  ExpectBaselineJpeg(Builtin("building.jpg"), 620, 515);
  ExpectBaselineJpeg(Builtin("car.jpg"), 95, 70);
  ExpectBaselineJpeg(Builtin("signboard.jpg"), 450, 103);
  for (int i = 0; i < 6; ++i) ExpectBaselineJpeg(Backdrop(i), 1920, 1080);
}

// Checks the two headers of an uncompressed bottom-up Windows bitmap.
void ExpectBitmapHeaders(const fs::path& path, int width, int height, int bits, int palette) {
  SCOPED_TRACE(path.string());
  const std::vector<uint8_t> b = ReadBytes(path);
  ASSERT_GE(b.size(), 54u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Le32(b, 2), b.size());
  EXPECT_EQ(Le32(b, 14), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(int32_t(Le32(b, 18)), width);
  EXPECT_EQ(int32_t(Le32(b, 22)), height);  // positive: rows bottom-up
  EXPECT_EQ(Le16(b, 26), 1);
  EXPECT_EQ(Le16(b, 28), bits);
  EXPECT_EQ(Le32(b, 30), 0u);  // BI_RGB
  const uint32_t used = Le32(b, 46);
  EXPECT_EQ(int(used == 0 && bits <= 8 ? 1u << bits : used), palette);
  const uint32_t stride = (uint32_t(width * bits / 8) + 3) & ~3u;
  EXPECT_EQ(Le32(b, 10), 54u + uint32_t(palette) * 4);
  EXPECT_EQ(Le32(b, 10) + stride * uint32_t(height), b.size());
}

TEST_F(AssetGenTest, BitmapsHaveTheirSizesDepthsAndPalettes) {
  ExpectBitmapHeaders(Builtin("person.bmp"), 18, 50, 8, 256);
  ExpectBitmapHeaders(Builtin("rooftop.bmp"), 39, 50, 24, 0);
  ExpectBitmapHeaders(Builtin("icon.bmp"), 32, 32, 32, 0);
  for (int i = 0; i < 5; ++i) ExpectBitmapHeaders(Person(i), 45, 50, 24, 0);
}

// A person stands on the bottom rows, fills most of the height, and keeps the ground colour
// out of the figure: a pixel of that colour anywhere would be a hole in the person.
void ExpectStandingFigure(const fs::path& path, TColor ground, int minTop) {
  SCOPED_TRACE(path.string());
  std::unique_ptr<TGraphic> graphic = LoadGraphicFromFile(path.string());
  ASSERT_TRUE(graphic->TransparentColor().has_value());
  EXPECT_EQ(*graphic->TransparentColor(), ground) << Describe(*graphic->TransparentColor());
  const Bitmap32& px = *graphic->Pixels();
  EXPECT_EQ(px.Pixel(0, 0), ground);
  EXPECT_EQ(px.Pixel(px.Width() - 1, 0), ground);
  int top = px.Height();
  int bottom = -1;
  int figure = 0;
  for (int y = 0; y < px.Height(); ++y) {
    for (int x = 0; x < px.Width(); ++x) {
      if (px.Pixel(x, y) == ground) continue;
      ++figure;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(bottom, px.Height() - 1) << "feet not on the bottom row";
  EXPECT_LE(top, minTop) << "figure too short";
  EXPECT_GE(figure, px.Width() * px.Height() / 8) << "figure too thin";
}

TEST_F(AssetGenTest, PeopleStandOnTheirTransparentGrounds) {
  ExpectStandingFigure(Builtin("person.bmp"), clBlack, 6);
  ExpectStandingFigure(Builtin("rooftop.bmp"), clWhite, 6);
  for (int i = 0; i < 5; ++i) ExpectStandingFigure(Person(i), clFuchsia, 8);
}

TEST_F(AssetGenTest, TheCharactersDifferFromEachOther) {
  std::vector<Bitmap32> people;
  for (int i = 0; i < 5; ++i) people.push_back(Decode(Person(i)));
  for (size_t a = 0; a < people.size(); ++a) {
    for (size_t b = a + 1; b < people.size(); ++b) {
      int different = 0;
      for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 45; ++x) different += people[a].Pixel(x, y) != people[b].Pixel(x, y);
      }
      EXPECT_GT(different, 150) << "Hito" << a << " and Hito" << b;
    }
  }
}

// The colour and alpha of each pixel of an icon file's image, rows top first: a 32-bit bitmap
// over its mask, or a PNG file.
std::vector<std::pair<TColor, uint8_t>> IconPixels(const uint8_t* image, size_t bytes, int size) {
  std::vector<std::pair<TColor, uint8_t>> pixels;
  std::vector<uint8_t> rgba(size_t(size) * size_t(size) * 4);
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (bytes > 8 && png_sig_cmp(image, 0, 8) == 0) {
    png_image_begin_read_from_memory(&png, image, bytes);
    png.format = PNG_FORMAT_RGBA;
    if (int(png.width) != size || !png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
      png_image_free(&png);
      return pixels;
    }
  } else {
    for (size_t i = 0; i < rgba.size(); i += 4) {
      const size_t y = i / 4 / size_t(size), x = i / 4 % size_t(size);
      const uint8_t* bgra = image + 40 + ((size_t(size) - 1 - y) * size_t(size) + x) * 4;
      rgba[i] = bgra[2], rgba[i + 1] = bgra[1], rgba[i + 2] = bgra[0], rgba[i + 3] = bgra[3];
    }
  }
  for (size_t i = 0; i < rgba.size(); i += 4) {
    pixels.push_back({Rgb(rgba[i], rgba[i + 1], rgba[i + 2]), rgba[i + 3]});
  }
  return pixels;
}

TEST_F(AssetGenTest, IconFileHoldsTheCarAt16_32_48And256PixelsOverEmptyMasks) {
  const std::vector<uint8_t> bmp = ReadBytes(Builtin("icon.bmp"));
  const std::vector<uint8_t> ico = ReadBytes(Builtin("icon.ico"));
  ASSERT_GE(ico.size(), 6u + 4 * 16);
  EXPECT_EQ(Le16(ico, 0), 0);  // reserved, type icon, four images
  EXPECT_EQ(Le16(ico, 2), 1);
  ASSERT_EQ(Le16(ico, 4), 4);
  size_t next = 6 + 4 * 16;
  for (size_t entry = 6; entry < 6 + 4 * 16; entry += 16) {
    const int size = ico[entry] == 0 ? 256 : ico[entry];
    SCOPED_TRACE(size);
    EXPECT_EQ(size, entry == 6 ? 16 : entry == 22 ? 32 : entry == 38 ? 48 : 256);
    EXPECT_EQ(ico[entry + 1], ico[entry]);  // square; 0 stands for 256
    EXPECT_EQ(Le16(ico, entry + 6), 32);    // bits per pixel
    const size_t image = Le32(ico, entry + 8);
    ASSERT_EQ(Le32(ico, entry + 12), next);
    ASSERT_LE(next + image, ico.size());
    if (size < 256) {
      // A bitmap without its file header, its height counting the empty mask below it.
      const size_t pixels = size_t(size) * size_t(size) * 4;
      ASSERT_EQ(image, 40 + pixels + size_t(size + 31) / 32 * 4 * size_t(size));
      EXPECT_EQ(Le32(ico, next + 8), uint32_t(2 * size));
      EXPECT_TRUE(std::all_of(ico.begin() + long(next + 40 + pixels),
                              ico.begin() + long(next + image), [](uint8_t v) { return v == 0; }));
    }
    if (size == 32) {
      EXPECT_TRUE(std::equal(bmp.begin() + 54, bmp.end(), ico.begin() + long(next + 40)));
    }
    // Drawn for each size: the cut corner, the lime front, the lit red floor at the left of the
    // panel, and the rider's body at the right.
    const auto pixels = IconPixels(ico.data() + next, image, size);
    ASSERT_EQ(pixels.size(), size_t(size) * size_t(size));
    auto pixel = [&](int x, int y) { return pixels[size_t(y) * size_t(size) + size_t(x)]; };
    EXPECT_EQ(pixel(0, 0).second, 0);
    EXPECT_EQ(pixel(size / 2, size - 1).second, 255);
    EXPECT_TRUE(Near(pixel(size * 7 / 16, size * 7 / 16).first, 160, 255, 65, 0));
    int red = 0;
    for (int y = 0; y < size * 9 / 32; ++y) {
      for (int x = 0; x < size / 4; ++x) red += Near(pixel(x, y).first, 230, 0, 0, 0);
    }
    EXPECT_GE(red, size / 16 * size / 16) << "no lit floor";
    const auto [body, alpha] = pixel(size * 23 / 32, size * 5 / 8);
    EXPECT_TRUE(Near(body, 20, 20, 20, 0) && alpha == 255) << Describe(body);
    next += image;
  }
  EXPECT_EQ(next, ico.size());
}

TEST_F(AssetGenTest, IconMaskIsOpaqueOrClearAndShowsTheCar) {
  const std::vector<uint8_t> b = ReadBytes(Builtin("icon.bmp"));
  ASSERT_EQ(b.size(), 54u + 32 * 32 * 4);
  int opaque = 0;
  for (size_t i = 54; i < b.size(); i += 4) {
    const uint8_t alpha = b[i + 3];
    ASSERT_TRUE(alpha == 0 || alpha == 255) << "alpha " << int(alpha);
    opaque += alpha == 255;
  }
  EXPECT_GT(opaque, 32 * 32 * 3 / 4);
  EXPECT_LT(opaque, 32 * 32);
  // Rows are bottom-up: the row with file index 32 - 1 - y is picture row y.
  auto pixel = [&](int x, int y) {
    const size_t at = 54 + (size_t(31 - y) * 32 + size_t(x)) * 4;
    return Rgb(b[at + 2], b[at + 1], b[at]);
  };
  EXPECT_TRUE(Near(pixel(14, 14), 160, 255, 65, 0)) << Describe(pixel(14, 14));
  EXPECT_EQ(b[54 + 3], 0) << "the bottom-left corner is cut off";
}

TEST_F(AssetGenTest, BuildingKeepsTheLayoutPositions) {
  const Bitmap32 px = Decode(Builtin("building.jpg"));
  ASSERT_EQ(px.Width(), 620);
  ASSERT_EQ(px.Height(), 515);
  EXPECT_TRUE(Near(px.Pixel(70, 250), 51, 51, 51, 6)) << Describe(px.Pixel(70, 250));
  const TColor band = px.Pixel(200, 120);
  EXPECT_TRUE(Near(band, 215, 195, 155, 25)) << "not sand: " << Describe(band);
  EXPECT_GT(RedOf(band), GreenOf(band));
  EXPECT_GT(GreenOf(band), BlueOf(band));
  for (int f = 0; f < 6; ++f) {
    const int line = 485 - 80 * f;
    EXPECT_TRUE(Near(px.Pixel(300, line), 0, 0, 0, 12)) << "floor line " << line;
    EXPECT_TRUE(Near(px.Pixel(560, line), 0, 0, 0, 12)) << "floor line " << line;
  }
}

// The building's floor bands, top and bottom rows, from the top floor down.
const int kBands[6][2] = {{11, 78}, {88, 159}, {168, 239}, {248, 318}, {328, 397}, {408, 481}};

TEST_F(AssetGenTest, BuildingEdgesLieExactlyWhereTheLayoutExpects) {
  const Bitmap32 px = Decode(Builtin("building.jpg"));
  auto black = [&](int x, int y) { return Near(px.Pixel(x, y), 0, 0, 0, 14); };
  auto shaft = [&](int x, int y) { return Near(px.Pixel(x, y), 51, 51, 51, 10); };
  auto sand = [&](int x, int y) { return Near(px.Pixel(x, y), 222, 203, 164, 30); };
  // The shaft spans x 23 to 117 and y 13 to 483, with black around it.
  for (int y : {30, 120, 200, 280, 360, 440}) {
    EXPECT_TRUE(black(21, y)) << y;
    EXPECT_TRUE(shaft(23, y)) << y << ": " << Describe(px.Pixel(23, y));
    EXPECT_TRUE(shaft(117, y)) << y << ": " << Describe(px.Pixel(117, y));
    EXPECT_TRUE(black(119, y)) << y;
  }
  EXPECT_TRUE(black(70, 11));
  EXPECT_TRUE(shaft(70, 13));
  EXPECT_TRUE(shaft(70, 483));
  EXPECT_TRUE(black(70, 485));
  // Each band runs from x 123 to 615 between its top and bottom rows.
  for (const auto& band : kBands) {
    const int mid = (band[0] + band[1]) / 2;
    EXPECT_TRUE(black(121, mid)) << mid;
    EXPECT_TRUE(sand(123, mid)) << mid << ": " << Describe(px.Pixel(123, mid));
    EXPECT_TRUE(black(300, band[0] - 2)) << band[0];
    EXPECT_TRUE(sand(200, band[0] + 1)) << band[0] << ": " << Describe(px.Pixel(200, band[0] + 1));
    EXPECT_TRUE(black(300, band[1] + 2)) << band[1];
    EXPECT_TRUE(black(618, mid)) << mid;
  }
}

TEST_F(AssetGenTest, FloorTabsCarryRedNamesCentredOnTheirBands) {
  const Bitmap32 px = Decode(Builtin("building.jpg"));
  for (int f = 0; f < 6; ++f) {
    const int* band = kBands[5 - f];
    const int centre = (band[0] + band[1]) / 2;
    int red = 0;
    int tan = 0;
    int top = 515;
    int bottom = 0;
    for (int y = band[0]; y <= band[1]; ++y) {
      for (int x = 1; x <= 17; ++x) {
        const TColor c = px.Pixel(x, y);
        if (RedOf(c) > 150 && GreenOf(c) < 90 && BlueOf(c) < 90) ++red;
        if (Near(c, 214, 180, 132, 24)) {
          ++tan;
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    EXPECT_GT(red, 20) << "floor " << f;
    EXPECT_GT(tan, 150) << "floor " << f;
    EXPECT_LE(std::abs((top + bottom) / 2 - centre), 2) << "floor " << f;
    EXPECT_TRUE(Near(px.Pixel(20, centre), 0, 0, 0, 14)) << "gap before the shaft, floor " << f;
  }
}

TEST_F(AssetGenTest, BuildingBandsStayPlainWherePeopleQueue) {
  const Bitmap32 px = Decode(Builtin("building.jpg"));
  for (const auto& band : kBands) {
    // Below the ceiling's shade and above the skirting board.
    for (int y = band[0] + 8; y <= band[1] - 5; ++y) {
      for (int x = 130; x <= 300; ++x) {
        ASSERT_TRUE(Near(px.Pixel(x, y), 222, 203, 164, 26))
            << x << "," << y << ": " << Describe(px.Pixel(x, y));
      }
    }
  }
  // The shaft is the same grey from top to bottom, away from the landing sills.
  for (int y = 20; y < 480; y += 40) {
    if ((485 - y) % 80 < 6) continue;
    EXPECT_TRUE(Near(px.Pixel(70, y), 51, 51, 51, 6)) << "shaft at y " << y;
  }
}

TEST_F(AssetGenTest, CarIsLimeWithADarkOutline) {
  const Bitmap32 px = Decode(Builtin("car.jpg"));
  ASSERT_EQ(px.Width(), 95);
  EXPECT_TRUE(Near(px.Pixel(47, 35), 160, 255, 65, 10)) << Describe(px.Pixel(47, 35));
  for (auto [x, y] : {std::pair{0, 0}, {94, 0}, {0, 69}, {94, 69}, {47, 0}, {0, 35}}) {
    const TColor c = px.Pixel(x, y);
    EXPECT_LT(RedOf(c) + GreenOf(c) + BlueOf(c), 240u) << x << "," << y << ": " << Describe(c);
  }
}

TEST_F(AssetGenTest, SignboardIsGreyMetalWithBlueLettersAndGreenShadow) {
  const Bitmap32 px = Decode(Builtin("signboard.jpg"));
  ASSERT_EQ(px.Width(), 450);
  int blue = 0;
  int green = 0;
  int grey = 0;
  for (int y = 0; y < px.Height(); ++y) {
    for (int x = 0; x < px.Width(); ++x) {
      const int r = int(RedOf(px.Pixel(x, y)));
      const int g = int(GreenOf(px.Pixel(x, y)));
      const int b = int(BlueOf(px.Pixel(x, y)));
      blue += b > r + 80 && b > g + 40;
      green += g > r + 80 && g > b + 80;
      grey += std::abs(r - 155) < 20 && std::abs(g - 157) < 20 && std::abs(b - 154) < 20;
    }
  }
  const int area = px.Width() * px.Height();
  EXPECT_GT(blue, area / 10);
  EXPECT_GT(green, area / 100);
  EXPECT_GT(grey, area / 3);
}

double MeanLuma(const Bitmap32& px) {
  double sum = 0;
  for (int y = 0; y < px.Height(); ++y) {
    for (int x = 0; x < px.Width(); ++x) {
      const TColor c = px.Pixel(x, y);
      sum += 0.299 * RedOf(c) + 0.587 * GreenOf(c) + 0.114 * BlueOf(c);
    }
  }
  return sum / (double(px.Width()) * px.Height());
}

TEST_F(AssetGenTest, BackdropsGoFromNightToDay) {
  double luma[6];
  for (int i = 0; i < 6; ++i) luma[i] = MeanLuma(Decode(Backdrop(i)));
  EXPECT_LT(luma[0], 60) << "night";
  EXPECT_GT(luma[3], 110) << "day";
  EXPECT_GT(luma[3], luma[1]) << "day brighter than dusk";
  EXPECT_GT(luma[2], luma[0]) << "dawn brighter than night";
  EXPECT_GT(luma[5], luma[4]) << "snow brighter than rain";
  const double builtin = MeanLuma(Decode(Builtin("backdrop.jpg")));
  EXPECT_LT(builtin, 70) << "the built-in backdrop is a night view";
}

// Writes an 8-bit RGB PNG through libpng's simplified interface.
void WritePng(const fs::path& path, int width, int height, const std::vector<uint8_t>& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGB;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr));
}

TEST_F(AssetGenTest, PreviewFromScreenshotAveragesDownTo350By262) {
  // Left half: columns alternating black and white, which only an area average turns into an
  // even grey; right half: plain blue.
  const int w = 700;
  const int h = 524;
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * w + size_t(x)) * 3];
      if (x < w / 2) {
        p[0] = p[1] = p[2] = x % 2 ? 255 : 0;
      } else {
        p[0] = 20;
        p[1] = 40;
        p[2] = 200;
      }
    }
  }
  const fs::path shot = m_scratch / "shot.png";
  WritePng(shot, w, h, rgb);
  const fs::path out = m_scratch / "previews" / "preview.jpg";
  ASSERT_EQ(RunGenerator("--preview-from " + Quoted(shot) + " " + Quoted(out)), 0);
  ExpectBaselineJpeg(out, 350, 262);
  const Bitmap32 px = Decode(out);
  for (int y : {10, 131, 250}) {
    EXPECT_TRUE(Near(px.Pixel(80, y), 128, 128, 128, 8)) << Describe(px.Pixel(80, y));
    EXPECT_TRUE(Near(px.Pixel(270, y), 20, 40, 200, 8)) << Describe(px.Pixel(270, y));
  }
}

TEST_F(AssetGenTest, StandinPreviewAndTheCommittedPreviewAre350By262) {
  const fs::path out = m_scratch / "standin.jpg";
  ASSERT_EQ(RunGenerator("--preview-standin " + Quoted(out)), 0);
  ExpectBaselineJpeg(out, 350, 262);
  ExpectBaselineJpeg(fs::path(VT_SOURCE_DIR) / "assets" / "preview.jpg", 350, 262);
}

TEST_F(AssetGenTest, RejectsUnknownOrIncompleteArguments) {
  const fs::path dir = m_scratch / "rejected";
  EXPECT_EQ(RunGenerator(""), 2);
  EXPECT_EQ(RunGenerator("--builtin"), 2);
  EXPECT_EQ(RunGenerator("--preview-from " + Quoted(dir / "a.png")), 2);
  EXPECT_EQ(RunGenerator("--frobnicate " + Quoted(dir)), 2);
  EXPECT_FALSE(fs::exists(dir));
  // A screenshot that is not there is an error, not a crash.
  EXPECT_EQ(
      RunGenerator("--preview-from " + Quoted(dir / "missing.png") + " " + Quoted(dir / "out.jpg")),
      1);
}

TEST_F(AssetGenTest, EitherFolderMayBeMadeAlone) {
  const fs::path dir = m_scratch / "alone";
  ASSERT_EQ(RunGenerator("--builtin " + Quoted(dir / "b")), 0);
  EXPECT_EQ(Listing(dir / "b").size(), std::size(kBuiltinFiles));
  EXPECT_FALSE(fs::exists(dir / "VantorelData"));
  const std::vector<uint8_t> first = ReadBytes(Builtin("building.jpg"));
  EXPECT_TRUE(first == ReadBytes(dir / "b" / "building.jpg"));
}

}  // namespace
}  // namespace vt
