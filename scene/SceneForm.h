#pragma once

#include <cstdint>

#include "sim/BuildingForm.h"

namespace vt {

// The saver form as the scene sees it: scales and places every widget for the screen at hand,
// clones the repeated widgets from their templates, lays out the widgets that ride with the
// car, and brings the backdrop and rooftop character in from the data folder.
class SceneForm : public BuildingForm {
 public:
  explicit SceneForm(TApplication& application) : BuildingForm(application) {}

  // The creation handler: the whole layout, once, before the form is shown.
  void FormCreate(TObject* Sender);
  void PlaceCarWidgets() override;

  // Scenery steps of the show handler.
  void RecordDataDir();
  void LoadFirstBackdrop();
  void LoadFirstCharacter();
  // The Timer1 handler: counts towards a change of scenery, then brings passengers in.
  void Timer1Timer(TObject* Sender);

 private:
  // A length of the design: n design pixels scaled by both factors. The building's sizes and
  // every offset the layout gives in design pixels (the call buttons above a floor line, the
  // rooftop character on the roof, the panel inside the car) are lengths of the design: the
  // buttons, labels and pictures they place are drawn at the screen's density, so their
  // distances must grow with it too, or on a screen at 200 % the up and down buttons of a
  // floor would overlap. At 96 pixels per inch the density factor is 1.
  long double b(long double n) const;
  // A picture's size: the template's size, which the widget layer has already drawn at the
  // screen's density, scaled by the screen factor only.
  long double s(long double n) const;
  static int32_t Round(long double value);

  void LoadBackdrop();
  void LoadCharacter(int32_t number);
  void ChangeScenery();

  // Steps of the layout.
  void SizeToScreen();
  void ComputeScale();
  void PlaceFixedWidgets();
  void ComputeFloorBaselines();
  void CreateCallButtons();
  void CreateCarLamps();
  void CreateFloorWidgets();
};

}  // namespace vt
