#include "sim/BuildingForm.h"

namespace vt {

void BuildingForm::ResetBuilding() {
  // 1. Every slot free, every panel label dark, every row empty.
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
  // 2. No calls.
  for (int32_t f = 0; f <= 4; ++f) UpCallButtons[f]->SetEnabled(false);
  for (int32_t f = 1; f <= 5; ++f) DownCallButtons[f]->SetEnabled(false);
  // 3. A random start floor.
  CarFloor = Application().Random().Below(6);
  // 4.
  CarDirection = 0;
  CarLoad = 0;
  DwellTicks = 0;
  // 5.
  for (TLabel* sign : FloorFullLabels) sign->SetEnabled(false);
  // 6. The car stands exactly level with its floor, so the first tick finds it there.
  ImgElv->SetTop(FloorBaseY[CarFloor] - ImgElv->Height());
  // 7.
  CarAtFloor = true;
  // 8. The lamp points into the shaft.
  if (CarFloor == 5) {
    LightDownLamp();
  } else {
    LightUpLamp();
  }
  // 9.
  PlaceCarWidgets();
  // 10, 11.
  LblKyakuCount->SetCaption("0人");
  LblElvManin->SetCaption("");
  // 12.
  BoardingBusy = false;
}

}  // namespace vt
