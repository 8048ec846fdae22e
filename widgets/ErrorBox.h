#pragma once

#include <string>

#include "widgets/TForm.h"

namespace vt {

class TBitBtn;
class TLabel;

// The error box: the title as its caption, an error icon, the text, one OK button. Enter,
// Space, Escape or a click on OK dismisses it.
class ErrorBox : public TForm {
 public:
  ErrorBox(TApplication& application, const std::string& title, const std::string& text);
  bool Dismissed() const { return m_dismissed; }
  void Paint(Painter& painter) override;

 private:
  void Dismiss();

  TLabel* m_text = nullptr;
  TBitBtn* m_ok = nullptr;
  bool m_dismissed = false;
};

}  // namespace vt
