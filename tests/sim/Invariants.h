#pragma once

// The rules that hold between any two handler runs of a running saver, checked all at once.

#include <string>
#include <vector>

#include "shell/TElevatorScrForm.h"

namespace vt::test {

// Offsets of the ten car-attached widgets from the car's top-left corner.
struct CarWidgetOffsets {
  std::vector<std::pair<int, int>> offsets;
  friend bool operator==(const CarWidgetOffsets&, const CarWidgetOffsets&) = default;
};

inline CarWidgetOffsets MeasureCarWidgets(const TElevatorScrForm& f) {
  CarWidgetOffsets result;
  auto add = [&](const TControl* c) {
    result.offsets.emplace_back(c->Left() - f.ImgElv->Left(), c->Top() - f.ImgElv->Top());
  };
  for (const TLabel* label : f.CarPanelLabels) add(label);
  add(f.CarUpLamp);
  add(f.CarDownLamp);
  add(f.LblKyakuCount);
  add(f.LblElvManin);
  return result;
}

// Every violation found, described; empty when the building is consistent.
inline std::vector<std::string> CheckInvariants(const TElevatorScrForm& f) {
  std::vector<std::string> bad;
  auto fail = [&](const std::string& what) { bad.push_back(what); };
  auto at = [](int floor, int slot) {
    return "floor " + std::to_string(floor) + " slot " + std::to_string(slot) + ": ";
  };
  const int column_right = f.UpCallButtons[0]->Left() + f.UpCallButtons[0]->Width();
  int riders = 0;
  bool rider_to[6] = {};
  for (int floor = 0; floor < 6; ++floor) {
    int waiting = 0;
    bool waiting_up = false;
    bool waiting_down = false;
    std::vector<int> places_seen(12, 0);
    for (int slot = 1; slot <= 10; ++slot) {
      const PassengerSlot& p = f.PassengerSlots[floor][slot];
      const TImage& image = *f.PassengerImages[floor][slot];
      if (p.BoardingOrder != 0) fail(at(floor, slot) + "BoardingOrder not 0");
      if (!p.Occupied) {
        if (p.Destination != -1 || p.InCar || p.QueuePosition != 0) {
          fail(at(floor, slot) + "free slot not cleared");
        }
        if (image.Visible()) fail(at(floor, slot) + "free slot shows a picture");
        continue;
      }
      if (p.Destination < 0 || p.Destination > 5 || p.Destination == floor) {
        fail(at(floor, slot) + "bad destination " + std::to_string(p.Destination));
        continue;
      }
      if (p.InCar) {
        ++riders;
        rider_to[p.Destination] = true;
        if (p.QueuePosition != 0) fail(at(floor, slot) + "rider holds a place in the row");
        if (image.Visible()) fail(at(floor, slot) + "rider's picture shown");
        if (!f.CarPanelLabels[p.Destination]->Enabled()) {
          fail(at(floor, slot) + "rider's panel label dark");
        }
        continue;
      }
      ++waiting;
      (p.Destination > floor ? waiting_up : waiting_down) = true;
      if (p.QueuePosition < 1 || p.QueuePosition > 10) {
        fail(at(floor, slot) + "bad QueuePosition " + std::to_string(p.QueuePosition));
        continue;
      }
      ++places_seen[size_t(p.QueuePosition)];
      if (!image.Visible()) fail(at(floor, slot) + "waiting passenger's picture hidden");
      if (image.Top() != f.FloorBaseY[floor] - f.ImgHito->Height()) {
        fail(at(floor, slot) + "picture not on the floor line");
      }
      if (image.Left() != column_right + (p.QueuePosition - 1) * f.ImgHito->Width()) {
        fail(at(floor, slot) + "picture not at its place in the row");
      }
      if (p.Destination > floor && !f.UpCallButtons[floor]->Enabled()) {
        fail(at(floor, slot) + "up call dark");
      }
      if (p.Destination < floor && !f.DownCallButtons[floor]->Enabled()) {
        fail(at(floor, slot) + "down call dark");
      }
    }
    const std::string on = "floor " + std::to_string(floor) + ": ";
    if (f.FloorQueueCount[floor] != waiting) fail(on + "FloorQueueCount does not match");
    for (int place = 1; place <= waiting; ++place) {
      if (places_seen[size_t(place)] != 1) fail(on + "places are not 1 to the queue length");
    }
    // A call is lit exactly while someone waits bound that way.
    if (floor <= 4 && f.UpCallButtons[floor]->Enabled() != waiting_up) {
      fail(on + "up call does not match the waiting passengers");
    }
    if (floor >= 1 && f.DownCallButtons[floor]->Enabled() != waiting_down) {
      fail(on + "down call does not match the waiting passengers");
    }
  }
  for (int floor = 0; floor < 6; ++floor) {
    if (f.CarPanelLabels[floor]->Enabled() != rider_to[floor]) {
      fail("panel label " + std::to_string(floor) + " does not match the riders");
    }
  }
  if (f.CarLoad != riders)
    fail("CarLoad " + std::to_string(f.CarLoad) + " but riders " + std::to_string(riders));
  if (f.CarLoad > 10) fail("CarLoad above 10");
  if (f.BoardingBusy) fail("BoardingBusy left set");
  if (f.CarUpLamp->Enabled() == f.CarDownLamp->Enabled()) fail("not exactly one lamp lit");
  if (f.CarDirection == -1 && !f.CarUpLamp->Enabled()) fail("moving up without the up lamp");
  if (f.CarDirection == +1 && !f.CarDownLamp->Enabled()) fail("moving down without the down lamp");
  if (f.CarDirection < -1 || f.CarDirection > 1) fail("bad CarDirection");
  const bool full = f.CarLoad == 10;
  for (const TLabel* sign : f.FloorFullLabels) {
    if (sign->Enabled() != full) fail("a floor full sign does not match the load");
  }
  if (f.LblElvManin->Caption() != (full ? "満員" : "")) fail("car full sign does not match");
  if (f.LblKyakuCount->Caption() != std::to_string(f.CarLoad) + "人") fail("load caption wrong");
  const int top = f.ImgElv->Top();
  const int height = f.ImgElv->Height();
  if (top < f.FloorBaseY[5] - height || top > f.FloorBaseY[0] - height) {
    fail("car outside the shaft");
  }
  if (f.CarDirection == 0 && !f.CarAtFloor) fail("car stopped between floors");
  if (f.CarAtFloor && top != f.FloorBaseY[f.CarFloor] - height) fail("car not level");
  return bad;
}

}  // namespace vt::test
