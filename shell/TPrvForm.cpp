#include "shell/TPrvForm.h"

#include "shell/ProgramEntry.h"
#include "widgets/TApplication.h"

namespace vt {

TPrvForm* PrvForm = nullptr;

TPrvForm::TPrvForm(TApplication& application) : TForm(application) {
  RegisterHandler("FormResize", TNotifyEvent([this](TObject* sender) { FormResize(sender); }));
}

void TPrvForm::FormResize(TObject*) {
  if (!Image1) Image1 = dynamic_cast<TImage*>(FindComponent("Image1"));
  if (!Image1) return;
  Image1->SetWidth(PrvForm->Width());
  Image1->SetHeight(PrvForm->Height());
}

void TPrvForm::SetChildWindowParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.WndParent = uint32_t(PreviewParent);
  Params.Style = (Params.Style & ~WS_POPUP) | WS_CHILD;
}

void TPrvForm::WindowDestroyed() {
  TForm::WindowDestroyed();
  Application().Terminate();
}

}  // namespace vt
