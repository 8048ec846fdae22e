#include "widgets/TBitBtn.h"

#include "widgets/TForm.h"
#include "widgets/TextEngine.h"

namespace vt {

TBitBtn::TBitBtn(TComponent* owner) : TControl(owner) { m_bounds = {0, 0, 75, 25}; }

bool TBitBtn::Focused() const { return m_parent && m_parent->ActiveControl() == this; }

void TBitBtn::SetEnabled(bool value) {
  // A button that goes dark gives up the keyboard focus, as a disabled window cannot keep it.
  if (!value && Focused()) m_parent->SetActiveControl(nullptr);
  TControl::SetEnabled(value);
}

void TBitBtn::SetVisible(bool value) {
  if (!value && Focused()) m_parent->SetActiveControl(nullptr);
  TControl::SetVisible(value);
}

void TBitBtn::Paint(Painter& painter) {
  Rect face{0, 0, Width(), Height()};
  painter.FillRect(face, clBtnFace);
  // A raised face: light outer top-left edge, dark outer bottom-right, softer inner pair.
  painter.DrawFrame(face, clBtnHighlight, clBtnDarkFrame);
  painter.DrawFrame({1, 1, Width() - 2, Height() - 2}, clBtnFace, clBtnShadow);

  TextEngine* text = Text();
  if (text && !m_caption.empty()) {
    int width = text->TextWidth(m_font, m_caption);
    int height = text->LineHeight(m_font);
    int x = (Width() - width) / 2;
    int y = (Height() - height) / 2;
    if (m_enabled) {
      text->DrawLine(painter, m_font, m_caption, x, y, m_font.Color);
    } else {
      text->DrawLine(painter, m_font, m_caption, x + 1, y + 1, clBtnHighlight);
      text->DrawLine(painter, m_font, m_caption, x, y, clBtnShadow);
    }
  }
  if (Focused() && Width() > 8 && Height() > 8) {
    // Dotted focus frame inside the face.
    Rect f{3, 3, Width() - 6, Height() - 6};
    for (int x = f.left; x < f.Right(); x += 2) {
      painter.SetPixel(x, f.top, clWindowText);
      painter.SetPixel(x, f.Bottom() - 1, clWindowText);
    }
    for (int y = f.top; y < f.Bottom(); y += 2) {
      painter.SetPixel(f.left, y, clWindowText);
      painter.SetPixel(f.Right() - 1, y, clWindowText);
    }
  }
}

}  // namespace vt
