#pragma once

#include <string_view>

#include "widgets/TForm.h"
#include "widgets/TImage.h"

namespace vt {

// The preview: a child window of the host window that shows one still of the scene,
// stretched to its size. No timers, no input handling.
class TPrvForm : public TForm {
 public:
  explicit TPrvForm(TApplication& application);
  static std::string_view DescriptionName() { return "PrvForm.form"; }

  TImage* Image1 = nullptr;

  void FormResize(TObject* Sender);
  // Makes the window a child of the host window.
  void SetChildWindowParams(TCreateParams& Params);
  // The window went with its host: nothing is left to show, so the program ends instead of
  // lingering with no window.
  void WindowDestroyed() override;

 protected:
  void CreateParams(TCreateParams& params) override { SetChildWindowParams(params); }
};

// The program-wide reference to the preview form, set as soon as the form exists.
extern TPrvForm* PrvForm;

}  // namespace vt
