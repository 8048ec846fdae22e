#include "widgets/JpegDecoder.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "widgets/Color.h"
#include "widgets/Exceptions.h"

namespace vt {

namespace {

constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
constexpr uint64_t kPixelsPerFileByte = 1024;
constexpr uint64_t kFreePixels = uint64_t(1) << 20;
constexpr int kMaxScans = 500;
constexpr uint64_t kMaxScanPixels = uint64_t(1) << 32;

// libjpeg reports errors through a callback that must not return. The callback jumps back
// to the setjmp of the function that called libjpeg; those functions keep nothing with a
// destructor alive, so the jump skips no C++ clean-up. Everything libjpeg touches lives in
// a Session, plain C data owned by a caller further up that destroys it normally.
struct ErrorManager {
  jpeg_error_mgr pub;  // First, so that libjpeg's pointer to it is a pointer to the whole.
  jmp_buf jump;
};

struct ScanLimit {
  jpeg_progress_mgr pub;  // First, as for the error manager.
  int max_scans;
};

struct Session {
  jpeg_decompress_struct info;
  ErrorManager error;
  ScanLimit progress;
};

void ExitOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr, int) {}

void PrintNothing(j_common_ptr) {}

void LimitScans(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  const auto* limit = reinterpret_cast<const ScanLimit*>(info->progress);
  if (info->input_scan_number > limit->max_scans) ERREXIT(info, JERR_BAD_PROGRESSION);
}

// Destroys the libjpeg object of a session however its use ended.
class SessionCleanup {
 public:
  explicit SessionCleanup(Session& session) : m_session(session) {
    std::memset(&session, 0, sizeof session);
  }
  ~SessionCleanup() { jpeg_destroy_decompress(&m_session.info); }
  SessionCleanup(const SessionCleanup&) = delete;
  SessionCleanup& operator=(const SessionCleanup&) = delete;

 private:
  Session& m_session;
};

// Creates the decompressor over the bytes and reads the header. Only called from functions
// that have set the jump point.
void OpenAndReadHeader(Session& s, const uint8_t* data, size_t size) {
  jpeg_create_decompress(&s.info);
  jpeg_mem_src(&s.info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&s.info, TRUE);
}

void InstallErrorHandler(Session& s) {
  s.info.err = jpeg_std_error(&s.error.pub);
  s.error.pub.error_exit = ExitOnError;
  s.error.pub.emit_message = IgnoreMessage;
  s.error.pub.output_message = PrintNothing;
}

// Returns 0, or libjpeg's message number when it rejected the header.
int ReadHeader(Session& s, const uint8_t* data, size_t size) {
  InstallErrorHandler(s);
  if (setjmp(s.error.jump)) return s.error.pub.msg_code;
  OpenAndReadHeader(s, data, size);
  return 0;
}

// Decodes the whole image into `pixels` (width x height, allocated by the caller), one row at
// a time, CMYK through `row` (width x 4 bytes). Returns 0, or libjpeg's message number.
static_assert(std::endian::native == std::endian::little,
              "a pixel 0x00RRGGBB lies in memory as blue, green, red and the top byte");

int ReadImage(Session& s, const uint8_t* data, size_t size, uint32_t* pixels, uint8_t* row,
              unsigned width, unsigned height, long memory_budget) {
  InstallErrorHandler(s);
  if (setjmp(s.error.jump)) return s.error.pub.msg_code;
  OpenAndReadHeader(s, data, size);
  if (s.info.image_width != width || s.info.image_height != height) {
    ERREXIT(&s.info, JERR_IMAGE_TOO_BIG);
  }
  // libjpeg-turbo cannot turn CMYK into RGB itself; that is done below. Everything else it
  // writes straight into the picture's rows, whose pixels lie in memory as blue, green, red
  // and a byte left over.
  const bool cmyk = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;
  s.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  s.info.mem->max_memory_to_use = memory_budget;
  // Each scan of a progressive file walks the whole image, so the number of scans is
  // limited, and the more so the larger the image: real files have a dozen or two.
  const uint64_t scans_by_size = kMaxScanPixels / (uint64_t(width) * height);
  s.progress.max_scans = int(std::min<uint64_t>(kMaxScans, scans_by_size));
  s.progress.pub.progress_monitor = LimitScans;
  s.info.progress = &s.progress.pub;
  jpeg_start_decompress(&s.info);
  if (s.info.output_width != width || s.info.output_height != height ||
      s.info.output_components != 4) {
    ERREXIT(&s.info, JERR_CONVERSION_NOTIMPL);
  }
  // Adobe writes CMYK inverted (0 is full ink), which nearly every CMYK JPEG follows.
  const bool inverted = s.info.saw_Adobe_marker;
  while (s.info.output_scanline < height) {
    const unsigned y = s.info.output_scanline;
    uint32_t* out = pixels + size_t(y) * width;
    JSAMPROW rows[1] = {cmyk ? row : reinterpret_cast<JSAMPROW>(out)};
    if (jpeg_read_scanlines(&s.info, rows, 1) != 1) ERREXIT(&s.info, JERR_INPUT_EOF);
    if (cmyk) {
      for (unsigned x = 0; x < width; ++x) {
        unsigned c = row[4 * x], m = row[4 * x + 1], yl = row[4 * x + 2], k = row[4 * x + 3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          yl = 255 - yl;
          k = 255 - k;
        }
        out[x] = Rgb((c * k + 127) / 255, (m * k + 127) / 255, (yl * k + 127) / 255);
      }
    } else {
      // The byte left over is the pixel's top one, which a picture keeps at zero.
      for (unsigned x = 0; x < width; ++x) out[x] &= 0xFFFFFFu;
    }
  }
  // jpeg_finish_decompress is not called: it would read on to the end-of-image marker, and
  // whatever follows the image data cannot spoil a picture that has been decoded.
  return 0;
}

[[noreturn]] void ThrowJpegError(int code) {
  throw EJPEG(FormatMessage("JPEG エラー #%d", std::to_string(code)));
}

}  // namespace

JpegDecoder::JpegDecoder(std::vector<uint8_t> file) : m_file(std::move(file)) {
  Session session;
  SessionCleanup cleanup(session);
  if (int code = ReadHeader(session, m_file.data(), m_file.size())) ThrowJpegError(code);
  const uint64_t width = session.info.image_width;
  const uint64_t height = session.info.image_height;
  const uint64_t limit =
      std::min(kMaxPixels, std::max(kFreePixels, kPixelsPerFileByte * m_file.size()));
  if (width * height > limit) ThrowJpegError(JERR_IMAGE_TOO_BIG);
  m_width = int(width);
  m_height = int(height);
}

Bitmap32 JpegDecoder::Decode() const {
  Bitmap32 pixels(m_width, m_height);
  std::vector<uint8_t> row(size_t(m_width) * 4);
  // Sequential decoding needs only a few rows; a progressive file keeps every coefficient of
  // every component (2 bytes per sample), so this budget holds four full components with
  // room to spare and stops a header with odd sampling factors from asking for more.
  const long budget = long(16 * uint64_t(m_width) * uint64_t(m_height)) + (64L << 20);
  Session session;
  SessionCleanup cleanup(session);
  const int code = ReadImage(session, m_file.data(), m_file.size(), pixels.Data(), row.data(),
                             unsigned(m_width), unsigned(m_height), budget);
  if (code != 0) ThrowJpegError(code);
  return pixels;
}

void JpegDecoder::ReleaseFile() {
  m_file.clear();
  m_file.shrink_to_fit();
}

}  // namespace vt
