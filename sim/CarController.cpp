#include "sim/BuildingForm.h"

namespace vt {

void BuildingForm::ElvTimerTimer(TObject* Sender) {
  (void)Sender;
  MoveCar();
  MoveCarWidgets();
  DetectFloor();
  LevelCar();
  HoldAtEndFloors();
  // Between floors the car only travels.
  if (!CarAtFloor) return;
  LetRidersOff();
  TurnEmptyCar();
  if (CarLoad < CarCapacity && BoardWaitingPassengers() == BoardingOutcome::CarFull) return;
  CountDwellAndDispatch();
}

// Motion and floor arrival.

void BuildingForm::MoveCar() {
  ImgElv->SetTop(ImgElv->Top() + CarDirection * CarStep);
}

void BuildingForm::MoveCarWidgets() {
  const int32_t step = CarDirection * CarStep;
  for (TLabel* label : CarPanelLabels) label->SetTop(label->Top() + step);
  CarUpLamp->SetTop(CarUpLamp->Top() + step);
  CarDownLamp->SetTop(CarDownLamp->Top() + step);
  LblKyakuCount->SetTop(LblKyakuCount->Top() + step);
  LblElvManin->SetTop(LblElvManin->Top() + step);
}

void BuildingForm::DetectFloor() {
  const int32_t bottom = ImgElv->Top() + ImgElv->Height();
  // Between two standing lines the car counts as at the lower floor.
  for (int32_t i = 0; i <= 4; ++i) {
    if (FloorBaseY[i + 1] < bottom && bottom <= FloorBaseY[i]) CarFloor = i;
  }
  if (bottom >= FloorBaseY[0]) CarFloor = 0;
  if (bottom <= FloorBaseY[5]) CarFloor = 5;
}

void BuildingForm::LevelCar() {
  const int32_t bottom = ImgElv->Top() + ImgElv->Height();
  const int32_t line = FloorBaseY[CarFloor];
  // The window is narrower than one step on either side, so a moving car is caught by every
  // floor it reaches and by no floor twice.
  if (line - CarStep < bottom && bottom < line + CarStep) {
    CarAtFloor = true;
    ImgElv->SetTop(line - ImgElv->Height());
    PlaceCarWidgets();
  } else {
    CarAtFloor = false;
  }
}

void BuildingForm::HoldAtEndFloors() {
  if (ImgElv->Top() == FloorBaseY[0] - ImgElv->Height()) {
    CarDirection = 0;
    LightUpLamp();
  }
  if (ImgElv->Top() == FloorBaseY[5] - ImgElv->Height()) {
    CarDirection = 0;
    LightDownLamp();
  }
}

// Alighting.

void BuildingForm::LetRidersOff() {
  const int32_t F = CarFloor;
  if (!CarPanelLabels[F]->Enabled()) return;
  CarDirection = 0;
  CarPanelLabels[F]->SetEnabled(false);
  // Riders hold the slots of the floors where they got on, so every floor is searched.
  for (int32_t f = 0; f < FloorCount; ++f) {
    for (int32_t s = 1; s <= SlotsPerFloor; ++s) {
      PassengerSlot& rider = PassengerSlots[f][s];
      if (!rider.InCar || rider.Destination != F) continue;
      --CarLoad;
      if (CarLoad < CarCapacity) ShowCarNotFull();
      ShowLoad();
      rider.InCar = false;
      rider.Destination = -1;
      rider.Occupied = false;
    }
  }
}

// Empty-car turn.

void BuildingForm::TurnEmptyCar() {
  const int32_t F = CarFloor;
  if (CarLoad != 0 || F < 1 || F > 4) return;
  // Only the opposite call waits here and nothing calls further on: stop and turn for it.
  if (CarUpLamp->Enabled() && !UpCallButtons[F]->Enabled() && DownCallButtons[F]->Enabled() &&
      !AnyCallAbove(F + 1, 5)) {
    CarDirection = 0;
    LightDownLamp();
  }
  if (CarDownLamp->Enabled() && UpCallButtons[F]->Enabled() && !DownCallButtons[F]->Enabled() &&
      !AnyCallBelow(0, F - 1)) {
    CarDirection = 0;
    LightUpLamp();
  }
}

// Boarding.

bool BuildingForm::IsBoundForService(const PassengerSlot& passenger) const {
  return (CarUpLamp->Enabled() && passenger.Destination > CarFloor) ||
         (CarDownLamp->Enabled() && passenger.Destination < CarFloor);
}

bool BuildingForm::IsBoardingCandidate(int32_t slot) const {
  const PassengerSlot& passenger = PassengerSlots[CarFloor][slot];
  return passenger.Occupied && !passenger.InCar && IsBoundForService(passenger);
}

TBitBtn* BuildingForm::CallButtonOfService() const {
  return CarUpLamp->Enabled() ? UpCallButtons[CarFloor] : DownCallButtons[CarFloor];
}

int32_t BuildingForm::RankBoardingCandidates() {
  PassengerSlot* row = PassengerSlots[CarFloor];
  int32_t count = 0;
  for (int32_t a = 1; a <= SlotsPerFloor; ++a) {
    if (!IsBoardingCandidate(a)) continue;
    BoardingBusy = true;
    CarDirection = 0;
    ++count;
    // The rank is the place among the candidates in queue order.
    int32_t ahead = 0;
    for (int32_t b = 1; b <= SlotsPerFloor; ++b) {
      if (b == a) continue;
      const bool waiting = row[b].Destination >= 0 && !row[b].InCar;
      if (waiting && row[b].QueuePosition < row[a].QueuePosition && IsBoundForService(row[b])) {
        ++ahead;
      }
    }
    row[a].BoardingOrder = 1 + ahead;
  }
  return count;
}

BuildingForm::BoardingOutcome BuildingForm::TakeOn(int32_t k) {
  const int32_t F = CarFloor;
  PassengerSlot* row = PassengerSlots[F];
  TBitBtn* call = CallButtonOfService();
  // The passenger leaves the row.
  call->SetEnabled(false);
  row[k].InCar = true;
  --FloorQueueCount[F];
  PassengerImages[F][k]->SetVisible(false);
  // Everyone behind moves one place forward; a candidate still waiting keeps the call lit.
  for (int32_t m = 1; m <= SlotsPerFloor; ++m) {
    if (m != k && row[m].QueuePosition > row[k].QueuePosition) {
      --row[m].QueuePosition;
      TImage* image = PassengerImages[F][m];
      image->SetLeft(image->Left() - image->Width());
    }
    if (row[m].BoardingOrder >= 1 && !row[m].InCar) call->SetEnabled(true);
  }
  // The passenger rides.
  row[k].QueuePosition = 0;
  row[k].BoardingOrder = 0;
  ++CarLoad;
  ShowLoad();
  CarPanelLabels[row[k].Destination]->SetEnabled(true);
  // Full: those left behind are ranked afresh at a later stop.
  if (CarLoad == CarCapacity) {
    ShowCarFull();
    for (int32_t m = 1; m <= SlotsPerFloor; ++m) {
      if (row[m].BoardingOrder >= 1 && row[m].Occupied && !row[m].InCar) row[m].BoardingOrder = 0;
    }
    BoardingBusy = false;
    return BoardingOutcome::CarFull;
  }
  ShowCarNotFull();
  return BoardingOutcome::CarNotFull;
}

BuildingForm::BoardingOutcome BuildingForm::BoardWaitingPassengers() {
  const int32_t count = RankBoardingCandidates();
  if (count == 0) return BoardingOutcome::CarNotFull;
  for (int32_t rank = 1; rank <= count; ++rank) {
    for (int32_t k = 1; k <= SlotsPerFloor; ++k) {
      if (PassengerSlots[CarFloor][k].BoardingOrder != rank) continue;
      if (TakeOn(k) == BoardingOutcome::CarFull) return BoardingOutcome::CarFull;
    }
  }
  BoardingBusy = false;
  return BoardingOutcome::CarNotFull;
}

// Idle count and dispatch.

void BuildingForm::CountDwellAndDispatch() {
  const int32_t F = CarFloor;
  ++DwellTicks;
  if (DwellTicks <= 10) return;
  // Riders boarded bound the lit lamp's way: go that way.
  if (CarLoad > 0) {
    SetDirectionFromLamp();
    DwellTicks = 0;
    return;
  }
  bool found = false;
  if (F == 0) {
    found = AnyCallAbove(1, 5);
  } else if (F == 5) {
    found = AnyCallBelow(0, 4);
  } else if (AnyCallBelow(0, F - 1)) {
    found = true;
    if (!AnyCallAbove(F + 1, 5) && CarUpLamp->Enabled()) LightDownLamp();
  } else if (AnyCallAbove(F + 1, 5)) {
    found = true;
    if (CarDownLamp->Enabled()) LightUpLamp();
  }
  // Without a call the count stays above 10 and the search repeats every tick.
  if (found) {
    SetDirectionFromLamp();
    DwellTicks = 0;
  }
}

}  // namespace vt
