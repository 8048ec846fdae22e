#include "widgets/TLabel.h"

#include "widgets/TextEngine.h"

namespace vt {

TLabel::TLabel(TComponent* owner) : TControl(owner) {
  m_bounds = {0, 0, 65, 17};
}

void TLabel::SetAlignment(TAlignment value) { ChangeLook(m_alignment, value); }

void TLabel::SetAutoSize(bool value) {
  if (value == m_auto_size) return;
  m_auto_size = value;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
  if (ChangeLook(m_word_wrap, value)) AdjustBounds();
}

void TLabel::SetTransparent(bool value) { ChangeLook(m_transparent, value); }

void TLabel::AdjustBounds() {
  TextEngine* text = Text();
  if (!m_auto_size || !text) return;
  Size size;
  if (m_word_wrap) {
    auto lines = text->WrapLines(m_font, m_caption.empty() ? " " : m_caption, Width());
    size = {Width(), int(lines.size()) * text->LineHeight(m_font)};
  } else {
    size = text->MeasureText(m_font, m_caption);
  }
  int left = Left();
  if (m_alignment == TAlignment::taRightJustify && !m_word_wrap) {
    left = Left() + Width() - size.width;
  }
  SetBounds(left, Top(), size.width, size.height);
}

void TLabel::Paint(Painter& painter) {
  if (!m_transparent) painter.FillRect({0, 0, Width(), Height()}, m_color);
  TextEngine* text = Text();
  if (!text) return;
  std::vector<std::string> lines;
  if (m_word_wrap) {
    lines = text->WrapLines(m_font, m_caption, Width());
  } else {
    // Without word wrap only explicit line breaks start a new line.
    size_t start = 0;
    while (true) {
      size_t end = m_caption.find('\n', start);
      std::string line = m_caption.substr(start, end == std::string::npos ? end : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  int line_height = text->LineHeight(m_font);
  int y = 0;
  for (const std::string& line : lines) {
    int width = text->TextWidth(m_font, line);
    int x = 0;
    if (m_alignment == TAlignment::taCenter) x = (Width() - width) / 2;
    if (m_alignment == TAlignment::taRightJustify) x = Width() - width;
    if (m_enabled) {
      text->DrawLine(painter, m_font, line, x, y, m_font.Color);
    } else {
      // Engraved: a highlight one pixel down and right, the shadow in place over it.
      text->DrawLine(painter, m_font, line, x + 1, y + 1, clBtnHighlight);
      text->DrawLine(painter, m_font, line, x, y, clBtnShadow);
    }
    y += line_height;
  }
}

}  // namespace vt
