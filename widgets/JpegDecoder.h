#pragma once

#include <cstdint>
#include <vector>

#include "widgets/Bitmap32.h"

namespace vt {

// Decodes a JPEG file held in memory with libjpeg, in two steps: the header when the picture
// is loaded, the image data when it is first drawn. Every libjpeg error is thrown as EJPEG
// with libjpeg's message number; warnings (corrupt or missing data that libjpeg pads over)
// are ignored.
//
// Before anything the size of the image is allocated, the header's claim is checked against
// the file: at most 2^28 pixels, and at most 1024 pixels per byte of the file (above a floor
// of 2^20 pixels). Even a single-colour picture with the smallest Huffman codes needs about
// 2 bits per 8 x 8 block, so no real file comes near that; a larger claim is rejected as
// libjpeg rejects an oversized image. A progressive file may repeat scans without end over
// a large image for a few bytes each, so the image data are rejected after 500 scans, or
// after fewer for an image above 2^23 pixels (scans x pixels at most 2^32: 16 scans at the
// largest size).
class JpegDecoder {
 public:
  // Takes the whole file and reads its header; throws EJPEG.
  explicit JpegDecoder(std::vector<uint8_t> file);

  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // Decodes the image data; throws EJPEG.
  Bitmap32 Decode() const;
  // Drops the file's bytes once they are no longer needed.
  void ReleaseFile();

 private:
  std::vector<uint8_t> m_file;
  int m_width = 0;
  int m_height = 0;
};

}  // namespace vt
