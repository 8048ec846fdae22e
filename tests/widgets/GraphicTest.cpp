#include <gtest/gtest.h>
#include <jerror.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/widgets/BitmapTestFiles.h"
#include "tests/widgets/JpegTestFiles.h"
#include "widgets/Exceptions.h"
#include "widgets/Graphic.h"
#include "widgets/PlatformFiles.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

const std::string kInvalidBitmap = "ビットマップイメージが不正です";
const std::string kReadError = "ストリームからの読み込みエラー";

std::string JpegMessage(int code) {
  return "JPEG エラー #" + std::to_string(code);
}

void ExpectError(const std::function<void()>& action, const std::string& kind,
                 const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no error, expected " << kind << " " << message;
  } catch (const Exception& e) {
    EXPECT_EQ(e.Kind(), kind);
    EXPECT_EQ(e.Message(), message);
  }
}

void ExpectLoadError(const std::string& path, const std::string& kind, const std::string& message) {
  ExpectError([&] { LoadGraphicFromFile(path); }, kind, message);
}

class GraphicFiles : public testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::path(testing::TempDir()) /
            ("vt-graphic-" + std::to_string(getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = m_dir / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }

  fs::path m_dir;
};

std::vector<uint8_t> OnePixelBmp(uint32_t color) {
  test::BmpFields f;
  f.width = 1;
  f.height = 1;
  f.bit_count = 24;
  f.pixels = test::PackRows(24, {{color}});
  return test::WriteBmp(f);
}

std::vector<uint8_t> GreyJpeg() {
  test::JpegSettings s;
  s.width = 8;
  s.height = 8;
  s.color_space = JCS_GRAYSCALE;
  return test::EncodeJpeg(s, std::vector<uint8_t>(64, 0x40));
}

// --- Extension -----------------------------------------------------------------------------

TEST_F(GraphicFiles, unknown_extension_fails_before_the_file_is_looked_at) {
  const std::map<std::string, std::string> cases = {
      {"picture.png", "png"},     {"picture.PNG", "PNG"}, {"icon.ico", "ico"},
      {"drawing.wmf", "wmf"},     {"drawing.EMF", "EMF"}, {"archive.tar.gz", "gz"},
      {"noextension", ""},        {"trailing.", ""},      {"dir.bmp/plain", ""},
      {"picture.bmp.txt", "txt"}, {"picture.jpe", "jpe"}};
  for (const auto& [name, extension] : cases) {
    // The files do not exist: the extension is judged first.
    ExpectLoadError((m_dir / name).string(), "EInvalidGraphic",
                    "拡張子 ." + extension + " の画像形式は処理できません");
  }
}

TEST_F(GraphicFiles, unknown_extension_fails_also_for_an_existing_readable_file) {
  const std::string path = Write("real.gif", OnePixelBmp(0xFF0000));
  ExpectLoadError(path, "EInvalidGraphic", "拡張子 .gif の画像形式は処理できません");
}

TEST_F(GraphicFiles, extension_is_matched_without_regard_to_case) {
  for (const std::string name : {"a.jpg", "b.JPG", "c.jpeg", "d.JpEg"}) {
    auto g = LoadGraphicFromFile(Write(name, GreyJpeg()));
    EXPECT_EQ(g->FormatName(), "jpg") << name;
    ASSERT_NE(g->Pixels(), nullptr);
    EXPECT_EQ(g->Pixels()->Pixel(3, 3), 0x404040u) << name;
  }
  for (const std::string name : {"e.bmp", "f.Bmp", "g.BMP"}) {
    auto g = LoadGraphicFromFile(Write(name, OnePixelBmp(0x123456)));
    EXPECT_EQ(g->FormatName(), "bmp") << name;
    EXPECT_EQ(g->Pixels()->Pixel(0, 0), 0x123456u) << name;
  }
}

TEST_F(GraphicFiles, format_follows_the_extension_not_the_content) {
  ExpectLoadError(Write("jpeg.bmp", GreyJpeg()), "EInvalidGraphic", kInvalidBitmap);
  ExpectLoadError(Write("bitmap.jpg", OnePixelBmp(0)), "EJPEG", JpegMessage(JERR_NO_SOI));
}

// --- Opening --------------------------------------------------------------------------------

TEST_F(GraphicFiles, missing_file_is_an_open_error_with_the_path_as_passed) {
  const std::string path = m_dir.string() + "/./missing/../Hito9.bmp";
  ExpectLoadError(path, "EFOpenError", "ファイル " + path + " は開けません");
  ExpectLoadError("mirso7.JPG", "EFOpenError", "ファイル mirso7.JPG は開けません");
}

TEST_F(GraphicFiles, folder_with_a_picture_name_cannot_be_opened) {
  fs::create_directories(m_dir / "folder.jpg");
  const std::string path = (m_dir / "folder.jpg").string();
  ExpectLoadError(path, "EFOpenError", "ファイル " + path + " は開けません");
}

// --- Bitmap files -----------------------------------------------------------------------------

TEST_F(GraphicFiles, empty_bitmap_file_is_an_empty_picture) {
  auto g = LoadGraphicFromFile(Write("empty.bmp", {}));
  EXPECT_EQ(g->FormatName(), "bmp");
  EXPECT_EQ(g->Width(), 0);
  EXPECT_EQ(g->Height(), 0);
  EXPECT_TRUE(g->IsEmpty());
}

TEST_F(GraphicFiles, bitmap_shorter_than_its_file_header_is_a_read_error) {
  auto bytes = OnePixelBmp(0);
  bytes.resize(13);
  ExpectLoadError(Write("short.bmp", bytes), "EReadError", kReadError);
  ExpectLoadError(Write("one.bmp", {'B'}), "EReadError", kReadError);
}

TEST_F(GraphicFiles, bitmap_without_bm_is_invalid) {
  auto bytes = OnePixelBmp(0);
  bytes[1] = 'A';
  ExpectLoadError(Write("ba.bmp", bytes), "EInvalidGraphic", kInvalidBitmap);
}

// --- JPEG files ---------------------------------------------------------------------------------

TEST_F(GraphicFiles, rejected_jpeg_header_reports_libjpeg_message_number) {
  ExpectLoadError(Write("empty.jpg", {}), "EJPEG", JpegMessage(JERR_INPUT_EMPTY));
  ExpectLoadError(Write("text.jpeg", {'h', 'e', 'l', 'l', 'o'}), "EJPEG", JpegMessage(JERR_NO_SOI));
}

TEST_F(GraphicFiles, jpeg_file_is_read_whole_at_load_and_decoded_later) {
  const std::string path = Write("later.jpg", GreyJpeg());
  auto g = LoadGraphicFromFile(path);
  EXPECT_EQ(g->Width(), 8);
  fs::remove(path);
  ASSERT_NE(g->Pixels(), nullptr);
  EXPECT_EQ(g->Pixels()->Pixel(7, 7), 0x404040u);
}

TEST_F(GraphicFiles, every_load_reads_the_file_again) {
  const std::string path = Write("again.bmp", OnePixelBmp(0xFF0000));
  EXPECT_EQ(LoadGraphicFromFile(path)->Pixels()->Pixel(0, 0), 0xFF0000u);
  Write("again.bmp", OnePixelBmp(0x0000FF));
  EXPECT_EQ(LoadGraphicFromFile(path)->Pixels()->Pixel(0, 0), 0x0000FFu);
  fs::remove(path);
  ExpectLoadError(path, "EFOpenError", "ファイル " + path + " は開けません");
}

TEST_F(GraphicFiles, a_whole_file_read_gives_exactly_its_bytes_and_a_folder_none) {
  // Longer than one read of the platform's files, and no multiple of it.
  std::vector<uint8_t> bytes(3 * 65536 + 1234);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + i / 251);
  std::vector<uint8_t> read{1, 2, 3};
  ASSERT_EQ(ReadWholeFile(Write("long.bin", bytes), read), FileReadResult::Read);
  EXPECT_EQ(read.size(), bytes.size());
  EXPECT_TRUE(read == bytes);
  ASSERT_EQ(ReadWholeFile(Write("empty.bin", {}), read), FileReadResult::Read);
  EXPECT_TRUE(read.empty());
  EXPECT_EQ(ReadWholeFile(m_dir.string(), read), FileReadResult::CannotOpen);
  EXPECT_EQ(ReadWholeFile((m_dir / "missing.bin").string(), read), FileReadResult::CannotOpen);
}

TEST(GraphicMemory, bytes_in_memory_use_the_same_decoders_chosen_by_extension) {
  const auto bmp = OnePixelBmp(0x00FF00);
  auto g = LoadGraphicFromMemory(bmp, "BMP");
  EXPECT_EQ(g->FormatName(), "bmp");
  EXPECT_EQ(g->Pixels()->Pixel(0, 0), 0x00FF00u);
  const auto jpg = GreyJpeg();
  EXPECT_EQ(LoadGraphicFromMemory(jpg, "jpeg")->FormatName(), "jpg");
  ExpectError([&] { LoadGraphicFromMemory(jpg, "gif"); }, "EInvalidGraphic",
              "拡張子 .gif の画像形式は処理できません");
  ExpectError([&] { LoadGraphicFromMemory(bmp, "jpg"); }, "EJPEG", JpegMessage(JERR_NO_SOI));
}

// --- Malformed sample files -------------------------------------------------------------------

enum class Outcome { kLoads, kLoadFails, kFirstDrawFails };

struct Sample {
  Outcome outcome;
  std::string kind;
  std::string message;
  int width = 0;
  int height = 0;
};

Sample Loads(int width, int height) {
  return {Outcome::kLoads, "", "", width, height};
}
Sample Fails(const std::string& kind, const std::string& message) {
  return {Outcome::kLoadFails, kind, message};
}
Sample FailsWhenDrawn(int code, int width, int height) {
  return {Outcome::kFirstDrawFails, "EJPEG", JpegMessage(code), width, height};
}

// Every file of tests/data/malformed, fuzz findings among them, with what loading it gives.
const std::map<std::string, Sample>& Samples() {
  static const std::map<std::string, Sample> samples = {
      {"bad-bitfields.bmp", Fails("EInvalidGraphic", kInvalidBitmap)},
      {"core-header-cut.bmp", Fails("EReadError", kReadError)},
      {"file-header-only.bmp", Fails("EReadError", kReadError)},
      {"huge-width.bmp", Fails("EInvalidGraphic", kInvalidBitmap)},
      {"not-a-bitmap.bmp", Fails("EInvalidGraphic", kInvalidBitmap)},
      {"palette-index-past-table.bmp", Loads(4, 1)},
      {"rle4-cut-absolute-run.bmp", Loads(5, 2)},
      {"rle8-huge-claim.bmp", Fails("EInvalidGraphic", kInvalidBitmap)},
      {"rle8-runs-past-image.bmp", Loads(3, 3)},
      {"stride-overflow.bmp", Fails("EReadError", kReadError)},
      {"truncated-pixels.bmp", Fails("EReadError", kReadError)},
      {"corrupt-second-scan.jpg", FailsWhenDrawn(JERR_BAD_COMPONENT_ID, 32, 32)},
      {"huge-dimensions.jpg", Fails("EJPEG", JpegMessage(JERR_IMAGE_TOO_BIG))},
      {"truncated-data.jpg", Loads(64, 64)},
      {"truncated-header.jpg", Fails("EJPEG", JpegMessage(JERR_NO_IMAGE))},
  };
  return samples;
}

const fs::path kMalformedDir = fs::path(VT_SOURCE_DIR) / "tests" / "data" / "malformed";

TEST(GraphicMalformedSamples, every_sample_file_has_an_expected_outcome) {
  std::set<std::string> files;
  for (const auto& entry : fs::directory_iterator(kMalformedDir)) {
    files.insert(entry.path().filename().string());
  }
  for (const auto& name : files) EXPECT_TRUE(Samples().count(name)) << name << " is not listed";
  for (const auto& [name, sample] : Samples())
    EXPECT_TRUE(files.count(name)) << name << " is missing";
}

TEST(GraphicMalformedSamples, each_sample_fails_cleanly_or_loads_as_expected) {
  for (const auto& [name, sample] : Samples()) {
    SCOPED_TRACE(name);
    const std::string path = (kMalformedDir / name).string();
    if (sample.outcome == Outcome::kLoadFails) {
      ExpectLoadError(path, sample.kind, sample.message);
      continue;
    }
    std::unique_ptr<TGraphic> g;
    ASSERT_NO_THROW(g = LoadGraphicFromFile(path));
    EXPECT_EQ(g->Width(), sample.width);
    EXPECT_EQ(g->Height(), sample.height);
    if (sample.outcome == Outcome::kFirstDrawFails) {
      ExpectError([&] { g->Pixels(); }, sample.kind, sample.message);
      EXPECT_EQ(g->Pixels(), nullptr);
    } else {
      const Bitmap32* pixels = g->Pixels();
      ASSERT_NE(pixels, nullptr);
      EXPECT_EQ(pixels->Width(), sample.width);
      EXPECT_EQ(pixels->Height(), sample.height);
    }
  }
}

}  // namespace
}  // namespace vt
