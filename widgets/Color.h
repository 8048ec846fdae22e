#pragma once

#include <cstdint>

namespace vt {

// A colour as 0x00RRGGBB. Framebuffer pixels use the same layout (alpha byte unused),
// which is also what a 24-bit TrueColor X visual expects in memory.
using TColor = uint32_t;

constexpr TColor Rgb(unsigned r, unsigned g, unsigned b) {
  return ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
}
constexpr unsigned RedOf(TColor c) { return (c >> 16) & 0xFF; }
constexpr unsigned GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueOf(TColor c) { return c & 0xFF; }

constexpr TColor clBlack = Rgb(0, 0, 0);
constexpr TColor clMaroon = Rgb(128, 0, 0);
constexpr TColor clPurple = Rgb(128, 0, 128);
constexpr TColor clGray = Rgb(128, 128, 128);
constexpr TColor clSilver = Rgb(192, 192, 192);
constexpr TColor clRed = Rgb(255, 0, 0);
constexpr TColor clFuchsia = Rgb(255, 0, 255);
constexpr TColor clWhite = Rgb(255, 255, 255);

// The system colours of the scheme this program draws with on every platform.
constexpr TColor clBtnFace = Rgb(240, 240, 240);
constexpr TColor clBtnHighlight = Rgb(255, 255, 255);
constexpr TColor clBtnShadow = Rgb(160, 160, 160);
constexpr TColor clWindowText = Rgb(0, 0, 0);
constexpr TColor clBtnDarkFrame = Rgb(105, 105, 105);

}  // namespace vt
