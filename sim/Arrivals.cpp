#include "sim/BuildingForm.h"

namespace vt {

void BuildingForm::SpawnPassengers() {
  // Never in the middle of a boarding pass.
  if (BoardingBusy) return;
  // A random floor, and a group whose largest size grows with the scenery.
  RandomGenerator& random = Application().Random();
  const int32_t f = random.Below(6);
  const int32_t n = random.Below(SceneryIndex + 6);
  // Riders who got on here still hold their slots.
  FloorHeadcount[f] = 0;
  for (int32_t s = 1; s <= SlotsPerFloor; ++s) {
    if (PassengerSlots[f][s].Occupied) ++FloorHeadcount[f];
  }
  // Nobody comes, or the floor is full.
  if (n == 0) return;
  if (FloorHeadcount[f] >= SlotsPerFloor) return;
  // The group fills the lowest free slots; a surplus is dropped.
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
  if (passenger.Occupied) return;
  // The passenger joins the floor's row.
  passenger.Occupied = true;
  passenger.InCar = false;
  passenger.BoardingOrder = 0;
  ++FloorQueueCount[f];
  ++FloorHeadcount[f];
  // The last place of the row, which depends on how many wait, not on the slot.
  const int32_t column_right = BitBtn1->Left() + BitBtn1->Width();
  image->SetLeft(column_right + ImgHito->Width() * (FloorQueueCount[f] - 1));
  image->SetTop(FloorBaseY[f] - ImgHito->Height());
  passenger.QueuePosition = FloorQueueCount[f];
  // The picture is read anew for every arrival. An arrival whose picture cannot be read is
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
  image->SetVisible(true);
  // A destination on any floor but its own, and the call in its direction lit.
  do {
    passenger.Destination = random.Below(6);
  } while (passenger.Destination == f);
  if (passenger.Destination > f) {
    UpCallButtons[f]->SetEnabled(true);
  } else {
    DownCallButtons[f]->SetEnabled(true);
  }
}

}  // namespace vt
