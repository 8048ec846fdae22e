#pragma once

#include "widgets/TControl.h"

namespace vt {

// A push button: a raised face with its caption centred, engraved while disabled, with a
// focus frame while it has the keyboard focus. A click only gives it the focus.
class TBitBtn : public TControl {
 public:
  explicit TBitBtn(TComponent* owner);

  bool IsWindowed() const override { return true; }
  bool CanFocus() const override { return Visible() && Enabled(); }
  bool Focused() const;
  void SetEnabled(bool value) override;
  void SetVisible(bool value) override;
  void Paint(Painter& painter) override;
  // What a click does; nothing beyond taking the focus for the buttons of this program.
  TNotifyEvent OnClick;
};

}  // namespace vt
