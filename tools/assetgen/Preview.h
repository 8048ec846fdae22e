#pragma once

#include "tools/assetgen/Canvas.h"

namespace vt {

// The preview picture shown inside the desktop's screen-saver dialog, 350 x 262.
inline constexpr int kPreviewWidth = 350;
inline constexpr int kPreviewHeight = 262;

// Reduces a screenshot of the running saver to the preview size, averaging the area each
// preview pixel covers so that thin lines and text stay visible.
Canvas PreviewFromScreenshot(const Canvas& screenshot);

// A drawn stand-in for that screenshot: the scene laid out as on a 1024 x 768 screen from the
// generator's own pictures, on a daytime backdrop, with a few people waiting, then reduced.
Canvas DrawStandinPreview();

}  // namespace vt
