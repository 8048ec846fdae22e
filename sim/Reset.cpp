#include "sim/BuildingForm.h"

namespace vt {

void BuildingForm::ResetBuilding() {
  // Every slot free, every panel label dark, every row empty.
  for (int32_t f = 0; f < FloorCount; ++f) {
    for (int32_t s = 1; s <= SlotsPerFloor; ++s) {
      PassengerSlot& passenger = PassengerSlots[f][s];
      passenger.Occupied = false;
      PassengerImages[f][s]->SetVisible(false);
      passenger.Destination = -1;
      passenger.InCar = false;
      passenger.QueuePosition = 0;
      passenger.BoardingOrder = 0;
    }
    CarPanelLabels[f]->SetEnabled(false);
    FloorQueueCount[f] = 0;
  }
  // No calls.
  for (int32_t f = 0; f <= 4; ++f) UpCallButtons[f]->SetEnabled(false);
  for (int32_t f = 1; f <= 5; ++f) DownCallButtons[f]->SetEnabled(false);
  // A random start floor.
  CarFloor = Application().Random().Below(6);
  // The car stands still and empty, no stop under way.
  CarDirection = 0;
  CarLoad = 0;
  DwellTicks = 0;
  // The full signs at the floors are dark.
  for (TLabel* sign : FloorFullLabels) sign->SetEnabled(false);
  // The car stands exactly level with its floor, so the first tick finds it there.
  ImgElv->SetTop(FloorBaseY[CarFloor] - ImgElv->Height());
  CarAtFloor = true;
  // The lamp points into the shaft.
  if (CarFloor == 5) {
    LightDownLamp();
  } else {
    LightUpLamp();
  }
  PlaceCarWidgets();
  // The load shows nobody, and the car's full sign is blank.
  LblKyakuCount->SetCaption("0人");
  LblElvManin->SetCaption("");
  BoardingBusy = false;
}

}  // namespace vt
