#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "scene/SceneForm.h"
#include "widgets/Input.h"

namespace vt {

// The full-screen saver form: binds the handlers its description names, shows the scene,
// keeps other savers from starting over it and closes on the first input that reaches it.
class TElevatorScrForm : public SceneForm {
 public:
  explicit TElevatorScrForm(TApplication& application);

  static std::string_view DescriptionName() { return "ElevatorScrForm.form"; }

  // A fixed seed instead of the clock's, for a scene that can be replayed.
  void SetSeedOverride(uint32_t seed) { m_seed_override = seed; }

  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void ImgHaikeiMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ImgHaikeiMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  // Answers the platform's request to start its screen saver, so that none starts over this one.
  void FormSysCommand(TMessage& Message);

  void WndProc(TMessage& message) override;

 private:
  std::optional<uint32_t> m_seed_override;
};

// The one saver form of the program, set as soon as the application creates it.
extern TElevatorScrForm* ElevatorScrForm;

}  // namespace vt
