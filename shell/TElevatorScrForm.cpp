#include "shell/TElevatorScrForm.h"

namespace vt {

TElevatorScrForm* ElevatorScrForm = nullptr;

TElevatorScrForm::TElevatorScrForm(TApplication& application) : SceneForm(application) {
  RegisterHandler("FormCreate", TNotifyEvent([this](TObject* sender) { FormCreate(sender); }));
  RegisterHandler("FormShow", TNotifyEvent([this](TObject* sender) { FormShow(sender); }));
  RegisterHandler("FormClose", TCloseEvent([this](TObject* sender, TCloseAction& action) {
                    FormClose(sender, action);
                  }));
  RegisterHandler("FormKeyDown",
                  TKeyEvent([this](TObject* sender, uint16_t& key, TShiftState shift) {
                    FormKeyDown(sender, key, shift);
                  }));
  RegisterHandler("ImgHaikeiMouseDown",
                  TMouseEvent([this](TObject* sender, TMouseButton button, TShiftState shift, int x,
                                     int y) { ImgHaikeiMouseDown(sender, button, shift, x, y); }));
  RegisterHandler("ImgHaikeiMouseMove",
                  TMouseMoveEvent([this](TObject* sender, TShiftState shift, int x, int y) {
                    ImgHaikeiMouseMove(sender, shift, x, y);
                  }));
  RegisterHandler("ElvTimerTimer",
                  TNotifyEvent([this](TObject* sender) { ElvTimerTimer(sender); }));
  RegisterHandler("Timer1Timer", TNotifyEvent([this](TObject* sender) { Timer1Timer(sender); }));
}

void TElevatorScrForm::FormShow(TObject* Sender) {
  (void)Sender;
  Backend& backend = Application().GetBackend();
  // No task-bar entry and no pointer while the saver runs.
  backend.ShowWindow(Application().Handle(), false);
  backend.ShowCursor(false);
  RecordDataDir();
  SetImeMode(TImeMode::imDisable);
  // A seed set by the headless driver or a test repeats a run; the saver seeds from the clock.
  if (m_seed_override) {
    Application().Random().SetSeed(*m_seed_override);
  } else {
    Application().Random().SeedFromClock();
  }
  // A picture that fails to load ends the handler here, and the timers below are then never
  // started.
  ResetBuilding();
  LoadFirstBackdrop();
  LoadFirstCharacter();
  // Passengers arrive every three seconds; the car moves on the ticks of its own timer.
  Timer1->SetInterval(3000);
  Timer1->SetEnabled(true);
  ElvTimer->SetEnabled(true);
}

void TElevatorScrForm::FormClose(TObject* Sender, TCloseAction& Action) {
  (void)Sender;
  (void)Action;
  Application().GetBackend().ShowCursor(true);
}

void TElevatorScrForm::FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift) {
  (void)Sender;
  (void)Key;
  (void)Shift;
  ElevatorScrForm->Close();
}

void TElevatorScrForm::ImgHaikeiMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                          int X, int Y) {
  (void)Sender;
  (void)Button;
  (void)Shift;
  (void)X;
  (void)Y;
  ElevatorScrForm->Close();
}

void TElevatorScrForm::ImgHaikeiMouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
  (void)Sender;
  (void)Shift;
  // The first position only records where the pointer was; it is never updated afterwards.
  // The pair is compared as reported, relative to whichever widget reported it.
  if (MouseOriginX == -1 && MouseOriginY == -1) {
    MouseOriginX = X;
    MouseOriginY = Y;
    return;
  }
  if (X != MouseOriginX || Y != MouseOriginY) ElevatorScrForm->Close();
}

void TElevatorScrForm::FormSysCommand(TMessage& Message) {
  // The four low bits of a system command are the system's own: the secure request (0xF141,
  // when resuming asks for the logon screen) is the same request and must be answered too,
  // or the default handling starts the configured saver over this one.
  if ((Message.WParam & SC_COMMAND_MASK) == SC_SCREENSAVE) {
    Message.Result = 1;
  } else {
    TForm::WndProc(Message);
  }
}

void TElevatorScrForm::WndProc(TMessage& message) {
  if (message.Msg == WM_SYSCOMMAND) {
    FormSysCommand(message);
  } else {
    TForm::WndProc(message);
  }
}

}  // namespace vt
