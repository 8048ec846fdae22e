// The text engine on GDI measures what GDI itself measures for the font the forms describe:
// the face, character set, weight and height semantics the engine asks for.
#include <gtest/gtest.h>

#include "widgets/TextEngine.h"
#include "widgets/windows/Win32Api.h"

namespace vt {
namespace {

// GDI's own extent of a text in the font CreateFontW makes of these values.
SIZE GdiExtent(int height, int weight, const wchar_t* text, std::wstring* face_used) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, 128, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           L"ＭＳ Ｐゴシック");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, int(wcslen(text)), &size);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  *face_used = face;
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return size;
}

TEST(GdiGlyphs, measures_as_gdi_does_for_the_forms_font) {
  TextEngine engine;
  struct Case {
    int height;
    bool bold;
  };
  for (Case c : {Case{-20, true}, Case{-12, false}, Case{16, false}}) {
    SCOPED_TRACE(c.height);
    TFont font;
    font.Height = c.height;
    font.Style = c.bold ? unsigned(fsBold) : 0u;
    std::wstring face;
    SIZE gdi = GdiExtent(c.height, c.bold ? FW_BOLD : FW_NORMAL, L"0人", &face);
    EXPECT_EQ(face, L"ＭＳ Ｐゴシック");
    EXPECT_EQ(engine.MeasureText(font, "0人"), (Size{int(gdi.cx), int(gdi.cy)}));
  }
}

}  // namespace
}  // namespace vt
