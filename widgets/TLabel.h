#pragma once

#include "widgets/TControl.h"

namespace vt {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// A text label: fills its rectangle with its colour unless transparent, and draws its caption
// from the top edge, engraved grey while disabled.
class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return m_auto_size; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return m_word_wrap; }
  void SetWordWrap(bool value);
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool value);

  void Paint(Painter& painter) override;

 protected:
  void TextChanged() override { AdjustBounds(); }

 private:
  // With AutoSize, takes the size of the caption's text (an empty caption measures as one
  // blank), keeping Left and Top, or the right edge when right-justified.
  void AdjustBounds();

  TAlignment m_alignment = TAlignment::taLeftJustify;
  bool m_auto_size = true;
  bool m_word_wrap = false;
  bool m_transparent = false;
};

}  // namespace vt
