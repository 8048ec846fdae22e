#include "sim/BuildingForm.h"

namespace vt {

void BuildingForm::SpawnPassengers() {
  // 1. Never in the middle of a boarding pass.
  if (BoardingBusy) return;
  // 2, 3.
  RandomGenerator& random = Application().Random();
  const int32_t f = random.Below(6);
  const int32_t n = random.Below(SceneryIndex + 6);
  // 4. Riders who got on here still hold their slots.
  FloorHeadcount[f] = 0;
  for (int32_t s = 1; s <= SlotsPerFloor; ++s) {
    if (PassengerSlots[f][s].Occupied) ++FloorHeadcount[f];
  }
  // 5, 6.
  if (n == 0) return;
  if (FloorHeadcount[f] >= SlotsPerFloor) return;
  // 7. The group fills the lowest free slots; a surplus is dropped.
  const int32_t free_slots = SlotsPerFloor - FloorHeadcount[f];
  if (n > free_slots) {
    for (int32_t s = 1; s <= SlotsPerFloor; ++s) AddPassenger(f, s);
  } else {
    const int32_t h = FloorHeadcount[f];
    for (int32_t s = 1; s <= SlotsPerFloor; ++s) {
      AddPassenger(f, s);
      if (FloorHeadcount[f] == h + n) break;
    }
  }
}

void BuildingForm::AddPassenger(int32_t floor, int32_t slot) {
  const int32_t f = floor;
  PassengerSlot& passenger = PassengerSlots[f][slot];
  TImage* image = PassengerImages[f][slot];
  // 1.
  if (passenger.Occupied) return;
  // 2, 3.
  passenger.Occupied = true;
  passenger.InCar = false;
  passenger.BoardingOrder = 0;
  ++FloorQueueCount[f];
  ++FloorHeadcount[f];
  // 4 to 6: the last place of the row, which depends on how many wait, not on the slot.
  const int32_t column_right = BitBtn1->Left() + BitBtn1->Width();
  image->SetLeft(column_right + ImgHito->Width() * (FloorQueueCount[f] - 1));
  image->SetTop(FloorBaseY[f] - ImgHito->Height());
  passenger.QueuePosition = FloorQueueCount[f];
  // 7. The picture is read anew for every arrival. An arrival whose picture cannot be read is
  // taken back before the error goes on, so that no waiting passenger is ever left without a
  // destination and a lit call.
  RandomGenerator& random = Application().Random();
  const int32_t look = random.Below(4);
  try {
    image->Picture().LoadFromFile(DataFilePath("Hito", look, ".bmp"));
  } catch (...) {
    passenger.Occupied = false;
    passenger.Destination = -1;
    passenger.QueuePosition = 0;
    passenger.BoardingOrder = 0;
    --FloorQueueCount[f];
    --FloorHeadcount[f];
    throw;
  }
  // 8.
  image->SetVisible(true);
  // 9. Any floor but its own.
  do {
    passenger.Destination = random.Below(6);
  } while (passenger.Destination == f);
  // 10.
  if (passenger.Destination > f) {
    UpCallButtons[f]->SetEnabled(true);
  } else {
    DownCallButtons[f]->SetEnabled(true);
  }
}

}  // namespace vt
