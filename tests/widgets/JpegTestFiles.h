#pragma once

// Writes JPEG files for the tests with libjpeg's own compressor.

#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vt::test {

struct JpegSettings {
  int width = 16;
  int height = 16;
  J_COLOR_SPACE color_space = JCS_RGB;  // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK input
  int quality = 100;
  bool progressive = false;
  bool optimize = false;
  // A scan script of the caller's own (progressive files); overrides `progressive`.
  const std::vector<jpeg_scan_info>* scans = nullptr;
};

inline int ComponentsOf(J_COLOR_SPACE space) {
  return space == JCS_GRAYSCALE ? 1 : (space == JCS_CMYK ? 4 : 3);
}

// `samples` holds width x height x components bytes, rows top to bottom.
inline std::vector<uint8_t> EncodeJpeg(const JpegSettings& s, const std::vector<uint8_t>& samples) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(s.width);
  info.image_height = JDIMENSION(s.height);
  info.input_components = ComponentsOf(s.color_space);
  info.in_color_space = s.color_space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, s.quality, TRUE);
  info.optimize_coding = s.optimize ? TRUE : FALSE;
  if (s.color_space != JCS_GRAYSCALE && s.color_space != JCS_CMYK) {
    // Full-resolution chroma keeps colour edges exact enough to check pixel by pixel.
    for (int c = 0; c < info.num_components; ++c) {
      info.comp_info[c].h_samp_factor = 1;
      info.comp_info[c].v_samp_factor = 1;
    }
  }
  if (s.scans) {
    info.scan_info = s.scans->data();
    info.num_scans = int(s.scans->size());
  } else if (s.progressive) {
    jpeg_simple_progression(&info);
  }
  jpeg_start_compress(&info, TRUE);
  const size_t stride = size_t(s.width) * size_t(info.input_components);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

// An RGB picture of flat 8 x 8 blocks, each block's colour picked by `color(block_x, block_y)`
// as 0x00RRGGBB, so that the decoded blocks can be compared with a small tolerance.
template <typename ColorOf>
std::vector<uint8_t> BlockSamples(int width, int height, ColorOf color) {
  std::vector<uint8_t> samples(size_t(width) * size_t(height) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = color(x / 8, y / 8);
      uint8_t* p = &samples[(size_t(y) * size_t(width) + size_t(x)) * 3];
      p[0] = uint8_t(c >> 16);
      p[1] = uint8_t(c >> 8);
      p[2] = uint8_t(c);
    }
  }
  return samples;
}

// Offsets of every marker `code` (0xFF followed by it) in a JPEG file.
inline std::vector<size_t> FindMarkers(const std::vector<uint8_t>& file, uint8_t code) {
  std::vector<size_t> at;
  for (size_t i = 0; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == code) at.push_back(i);
  }
  return at;
}

}  // namespace vt::test
