#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "widgets/TFont.h"

namespace vt {

// Vertical figures of a font at its size, in pixels.
struct FontMetrics {
  int ascent = 0;       // from the top of a line to its baseline
  int line_height = 0;  // one line of text
};

// A piece of rasterised text: coverage from 0 (none) to 255 (full), width × height, rows top
// to bottom. left is measured from the pen where the run starts, top upwards from the baseline.
struct CoverageMask {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  const uint8_t* coverage = nullptr;
};

using CoverageSink = std::function<void(const CoverageMask&)>;

// The platform's part of the text engine: finds the face for a font and measures and
// rasterises runs of characters in it. A run never holds a tab or a control character; line
// breaking, tabs and alignment are the engine's own.
class GlyphSource {
 public:
  virtual ~GlyphSource() = default;

  virtual FontMetrics Metrics(const TFont& font) = 0;
  // The width the run advances the pen by.
  virtual int RunWidth(const TFont& font, std::u32string_view run) = 0;
  // The width of an average character, from which tab stops are measured.
  virtual int AverageCharWidth(const TFont& font) = 0;
  // Hands the coverage of the run to sink, in drawing order; masks may overlap, and each is
  // blended over what the ones before it drew.
  virtual void RasteriseRun(const TFont& font, std::u32string_view run,
                            const CoverageSink& sink) = 0;
};

// The platform's glyph source: FreeType with fontconfig on Linux, GDI on Windows.
std::unique_ptr<GlyphSource> CreateGlyphSource();

}  // namespace vt
