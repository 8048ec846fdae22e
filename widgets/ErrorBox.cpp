#include "widgets/ErrorBox.h"

#include <algorithm>

#include "widgets/TApplication.h"
#include "widgets/TBitBtn.h"
#include "widgets/TLabel.h"
#include "widgets/TextEngine.h"

namespace vt {

namespace {
constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
}  // namespace

ErrorBox::ErrorBox(TApplication& application, const std::string& title, const std::string& text)
    : TForm(application) {
  SetName("ErrorBox");
  SetCaption(title);
  SetBorderStyle(TBorderStyle::bsDialog);
  SetPosition(TPosition::poDesktopCenter);
  SetKeyPreview(true);
  SetColor(clBtnFace);

  TFont font;
  font.Height = -13;
  TextEngine& engine = application.Text();
  // Line breaks in the message ("\r\n") start new lines of the box.
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    shown += text[i];
  }
  Size text_size = engine.MeasureText(font, shown);
  int text_left = kMargin + kIconSize + 12;
  int width = std::max(text_left + text_size.width + kMargin, 2 * kMargin + kButtonWidth + 120);
  int content_height = std::max(kIconSize, text_size.height);
  int height = kMargin + content_height + kMargin + kButtonHeight + kMargin;
  SetBounds(0, 0, width, height);

  m_text = CreateOwned<TLabel>();
  m_text->SetParent(this);
  m_text->SetFont(font);
  m_text->SetTransparent(true);
  m_text->SetCaption(shown);
  m_text->SetLeft(text_left);
  m_text->SetTop(kMargin + std::max(0, (kIconSize - text_size.height) / 2));

  m_ok = CreateOwned<TBitBtn>();
  m_ok->SetParent(this);
  TFont button_font = font;
  m_ok->SetFont(button_font);
  m_ok->SetCaption("OK");
  m_ok->SetBounds((width - kButtonWidth) / 2, height - kMargin - kButtonHeight, kButtonWidth,
                  kButtonHeight);
  m_ok->OnClick = [this](TObject*) { Dismiss(); };
  m_ok->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == TMouseButton::mbLeft && x >= 0 && y >= 0 && x < m_ok->Width() &&
        y < m_ok->Height()) {
      Dismiss();
    }
  };
  SetActiveControl(m_ok);
  OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) {
    if (key == VK_SPACE || key == VK_ESCAPE || key == VK_RETURN) Dismiss();
  };
  OnClose = [this](TObject*, TCloseAction&) { m_dismissed = true; };
}

void ErrorBox::Dismiss() { m_dismissed = true; }

void ErrorBox::Paint(Painter& painter) {
  TForm::Paint(painter);
  // The error icon: a red disc with a white cross.
  int cx = kMargin + kIconSize / 2, cy = kMargin + kIconSize / 2;
  int r = kIconSize / 2;
  for (int y = -r; y < r; ++y) {
    for (int x = -r; x < r; ++x) {
      double d2 = (x + 0.5) * (x + 0.5) + (y + 0.5) * (y + 0.5);
      if (d2 <= double(r * r)) painter.SetPixel(cx + x, cy + y, Rgb(210, 40, 40));
    }
  }
  for (int i = -7; i <= 7; ++i) {
    for (int t = -1; t <= 1; ++t) {
      painter.SetPixel(cx + i + t, cy + i, clWhite);
      painter.SetPixel(cx + i + t, cy - i, clWhite);
    }
  }
}

}  // namespace vt
