#include "tools/assetgen/JpegWriter.h"

#include <jpeglib.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vt {

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

[[noreturn]] void ThrowJpegError(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  throw std::runtime_error(message);
}

}  // namespace

void WriteJpeg(const std::string& path, const Canvas& canvas, int quality, Dither dither) {
  const std::vector<uint8_t> rgb = canvas.ToRgb8(dither);
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot write " + path);

  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jerr.error_exit = ThrowJpegError;
  jpeg_create_compress(&cinfo);
  try {
    jpeg_stdio_dest(&cinfo, file.get());
    cinfo.image_width = JDIMENSION(canvas.Width());
    cinfo.image_height = JDIMENSION(canvas.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    cinfo.dct_method = JDCT_ISLOW;
    for (int c = 0; c < 3; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = size_t(canvas.Width()) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(&rgb[cinfo.next_scanline * stride]);
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
  } catch (const std::exception& e) {
    jpeg_destroy_compress(&cinfo);
    throw std::runtime_error(path + ": " + e.what());
  }
  jpeg_destroy_compress(&cinfo);
  if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace vt
