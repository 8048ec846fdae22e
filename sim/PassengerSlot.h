#pragma once

#include <cstdint>

namespace vt {

// One passenger, held in the slot of the floor where it arrived for its whole journey: while it
// waits there and while it rides, until it alights.
struct PassengerSlot {
  bool Occupied = false;
  int32_t Destination = -1;
  bool InCar = false;
  // Place in the floor's waiting row, 1 at the call buttons; 0 while free or riding.
  int32_t QueuePosition = 0;
  // Rank within the boarding pass under way; 0 outside it.
  int32_t BoardingOrder = 0;
};

}  // namespace vt
