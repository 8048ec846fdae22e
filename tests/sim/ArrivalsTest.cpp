// Passengers arriving in random groups, and the random generator behind them.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

// A seed whose first two draws give the floor and the group size of an arrivals pass.
uint32_t SeedForPass(int floor, int group, int scenery_index, uint32_t from = 0) {
  for (uint32_t seed = from;; ++seed) {
    RandomGenerator random;
    random.SetSeed(seed);
    if (random.Below(6) == floor && random.Below(scenery_index + 6) == group) return seed;
  }
}

// The generator seeded with `seed` after drawing once below each of `bounds`.
RandomGenerator After(uint32_t seed, std::initializer_list<int> bounds) {
  RandomGenerator random;
  random.SetSeed(seed);
  for (int n : bounds) random.Below(n);
  return random;
}

class Arrivals : public ::testing::Test {
 protected:
  void SetUp() override {
    saver.Show(9);
    ASSERT_EQ(saver.Errors().size(), 0u);
    f.SceneryIndex = 0;
  }
  void ExpectConsistent() { EXPECT_EQ(CheckInvariants(f), std::vector<std::string>{}); }
  void SpawnWithSeed(uint32_t seed) {
    f.Application().Random().SetSeed(seed);
    f.SpawnPassengers();
  }
  uint32_t Seed() const { return f.Application().Random().Seed(); }
  int Occupied(int floor) const {
    int count = 0;
    for (int s = 1; s <= 10; ++s) count += f.PassengerSlots[floor][s].Occupied ? 1 : 0;
    return count;
  }

  TempDataFolder data;
  SaverHarness saver{{1024, 768}, 96, data.Program()};
  TElevatorScrForm& f = saver.Form();
};

TEST_F(Arrivals, DrawsFloorGroupThenLookAndDestinationOfEachPassengerInTurn) {
  const uint32_t seed = SeedForPass(2, 4, 0);
  RandomGenerator expected = After(seed, {6, 6});
  SpawnWithSeed(seed);
  for (int s = 1; s <= 4; ++s) {
    const int look = expected.Below(4);
    int destination = 0;
    do {
      destination = expected.Below(6);
    } while (destination == 2);
    const PassengerSlot& p = f.PassengerSlots[2][s];
    ASSERT_TRUE(p.Occupied) << s;
    EXPECT_EQ(p.Destination, destination) << s;
    EXPECT_EQ(f.PassengerImages[2][s]->Picture().Width(), TempDataFolder::PersonWidth(look)) << s;
    EXPECT_EQ(p.QueuePosition, s);
    EXPECT_TRUE(f.PassengerImages[2][s]->Visible());
  }
  EXPECT_FALSE(f.PassengerSlots[2][5].Occupied);
  EXPECT_EQ(Seed(), expected.Seed());
  EXPECT_EQ(f.FloorQueueCount[2], 4);
  EXPECT_EQ(f.FloorHeadcount[2], 4);
  ExpectConsistent();
}

TEST_F(Arrivals, GroupOfNoneAddsNobodyButRecountsTheFloor) {
  saver.StandCarAt(0);
  saver.PutWaiting(3, 2, 5);
  saver.PutRider(3, 7, 0);
  f.FloorHeadcount[3] = 9;
  const uint32_t seed = SeedForPass(3, 0, 0);
  SpawnWithSeed(seed);
  EXPECT_EQ(f.FloorHeadcount[3], 2);
  EXPECT_EQ(f.FloorQueueCount[3], 1);
  EXPECT_EQ(Seed(), After(seed, {6, 6}).Seed());
}

TEST_F(Arrivals, FloorWithTenOccupiedSlotsGetsNobody) {
  saver.LightUpLamp();
  for (int s = 1; s <= 4; ++s) saver.PutRider(1, s, 5);
  for (int s = 5; s <= 10; ++s) saver.PutWaiting(1, s, s % 2 == 0 ? 0 : 3);
  f.SceneryIndex = 5;
  for (int group : {1, 5, 10}) {
    const uint32_t seed = SeedForPass(1, group, 5);
    SpawnWithSeed(seed);
    EXPECT_EQ(f.FloorHeadcount[1], 10);
    EXPECT_EQ(f.FloorQueueCount[1], 6);
    EXPECT_EQ(Seed(), After(seed, {6, 11}).Seed()) << "no draws for a full floor";
  }
  ExpectConsistent();
}

TEST_F(Arrivals, LargeGroupFillsOnlyTheFreeSlotsLowestFirst) {
  saver.LightUpLamp();
  const int taken[] = {1, 3, 4, 6, 7, 9, 10};
  for (int s : taken) {
    if (s % 2) {
      saver.PutRider(4, s, 0);
    } else {
      saver.PutWaiting(4, s, 5);
    }
  }
  ASSERT_EQ(Occupied(4), 7);
  SpawnWithSeed(SeedForPass(4, 5, 0));
  EXPECT_EQ(Occupied(4), 10);
  EXPECT_EQ(f.FloorHeadcount[4], 10);
  for (int s : {2, 5, 8}) EXPECT_TRUE(f.PassengerSlots[4][s].Occupied) << s;
  ExpectConsistent();
}

TEST_F(Arrivals, SmallGroupTakesTheLowestFreeSlots) {
  saver.LightUpLamp();
  for (int s : {1, 3, 4, 6, 7, 9, 10}) saver.PutWaiting(4, s, 1);
  SpawnWithSeed(SeedForPass(4, 2, 0));
  EXPECT_EQ(Occupied(4), 9);
  EXPECT_TRUE(f.PassengerSlots[4][2].Occupied);
  EXPECT_TRUE(f.PassengerSlots[4][5].Occupied);
  EXPECT_FALSE(f.PassengerSlots[4][8].Occupied);
  EXPECT_EQ(f.PassengerSlots[4][2].QueuePosition, 8);
  EXPECT_EQ(f.PassengerSlots[4][5].QueuePosition, 9);
  ExpectConsistent();
}

TEST_F(Arrivals, GroupSizeGrowsWithTheBackdropNumber) {
  for (int index : {0, 5}) {
    f.SceneryIndex = index;
    f.Application().Random().SetSeed(uint32_t(1000 + index));
    int largest = 0;
    for (int pass = 0; pass < 400; ++pass) {
      f.ResetBuilding();
      f.SpawnPassengers();
      int added = 0;
      for (int floor = 0; floor < 6; ++floor) added += f.FloorQueueCount[floor];
      largest = std::max(largest, added);
    }
    EXPECT_EQ(largest, index + 5) << "SceneryIndex " << index;
  }
}

TEST_F(Arrivals, BottomAndTopFloorsCallOnlyTheWayOutOfTheEnds) {
  SpawnWithSeed(SeedForPass(0, 5, 0));
  SpawnWithSeed(SeedForPass(5, 5, 0));
  EXPECT_EQ(f.FloorQueueCount[0], 5);
  EXPECT_EQ(f.FloorQueueCount[5], 5);
  EXPECT_TRUE(f.UpCallButtons[0]->Enabled());
  EXPECT_TRUE(f.DownCallButtons[5]->Enabled());
  for (int floor = 1; floor <= 4; ++floor) {
    EXPECT_FALSE(f.UpCallButtons[floor]->Enabled());
    EXPECT_FALSE(f.DownCallButtons[floor]->Enabled());
  }
  ExpectConsistent();
}

TEST_F(Arrivals, NewcomerStandsBehindTheWaitingRowWhateverItsSlot) {
  saver.LightUpLamp();
  saver.PutWaiting(3, 4, 5);
  saver.PutWaiting(3, 5, 0);
  saver.PutWaiting(3, 6, 1);
  f.AddPassenger(3, 1);
  const PassengerSlot& p = f.PassengerSlots[3][1];
  EXPECT_EQ(p.QueuePosition, 4);
  EXPECT_EQ(f.PassengerImages[3][1]->Left(), saver.ColumnRight() + 3 * f.ImgHito->Width());
  EXPECT_EQ(f.PassengerImages[3][1]->Top(), f.FloorBaseY[3] - f.ImgHito->Height());
  EXPECT_EQ(f.PassengerImages[3][1]->Width(), f.ImgHito->Width());
  EXPECT_EQ(f.FloorQueueCount[3], 4);
  ExpectConsistent();
}

TEST_F(Arrivals, AddingToAnOccupiedSlotChangesNothing) {
  saver.PutWaiting(2, 3, 5);
  const uint32_t seed = Seed();
  f.AddPassenger(2, 3);
  EXPECT_EQ(f.FloorQueueCount[2], 1);
  EXPECT_EQ(f.PassengerSlots[2][3].Destination, 5);
  EXPECT_EQ(Seed(), seed);
}

TEST_F(Arrivals, DestinationIsNeverTheOwnFloor) {
  f.SceneryIndex = 5;
  for (int pass = 0; pass < 300; ++pass) {
    if (pass % 10 == 0) f.ResetBuilding();
    f.SpawnPassengers();
    for (int floor = 0; floor < 6; ++floor) {
      for (int s = 1; s <= 10; ++s) {
        const PassengerSlot& p = f.PassengerSlots[floor][s];
        if (p.Occupied) {
          ASSERT_NE(p.Destination, floor);
        }
      }
    }
  }
  ExpectConsistent();
}

TEST_F(Arrivals, NobodyArrivesAndNothingIsDrawnDuringABoardingPass) {
  f.BoardingBusy = true;
  f.Application().Random().SetSeed(SeedForPass(2, 5, 0));
  const uint32_t seed = Seed();
  f.SpawnPassengers();
  EXPECT_EQ(Seed(), seed);
  for (int floor = 0; floor < 6; ++floor) EXPECT_EQ(f.FloorQueueCount[floor], 0);
}

TEST_F(Arrivals, ArrivalWhosePictureFailsIsTakenBackAndEndsThePass) {
  std::filesystem::remove(data.Person(2));
  // A group of three on floor 1 whose second member draws the missing look 2.
  uint32_t seed = 0;
  for (uint32_t from = 0;; from = seed + 1) {
    seed = SeedForPass(1, 3, 0, from);
    RandomGenerator r = After(seed, {6, 6});
    if (r.Below(4) == 2) continue;
    int d = 0;
    do {
      d = r.Below(6);
    } while (d == 1);
    if (r.Below(4) == 2) break;
  }
  saver.PutWaiting(1, 1, 4);
  f.Application().Random().SetSeed(seed);
  EXPECT_THROW(f.SpawnPassengers(), EFOpenError);
  EXPECT_TRUE(f.PassengerSlots[1][2].Occupied);
  const PassengerSlot& failed = f.PassengerSlots[1][3];
  EXPECT_FALSE(failed.Occupied);
  EXPECT_EQ(failed.Destination, -1);
  EXPECT_EQ(failed.QueuePosition, 0);
  EXPECT_FALSE(f.PassengerImages[1][3]->Visible());
  EXPECT_FALSE(f.PassengerSlots[1][4].Occupied);
  EXPECT_EQ(f.FloorQueueCount[1], 2);
  EXPECT_EQ(f.FloorHeadcount[1], 2);
  ExpectConsistent();
}

TEST_F(Arrivals, FailedPictureIsReportedWithItsPathAndTheTimersGoOn) {
  for (int k = 0; k <= 3; ++k) std::filesystem::remove(data.Person(k));
  // SceneryTicks stays below 20, so the tick is only an arrivals pass.
  uint32_t seed = SeedForPass(3, 2, f.SceneryIndex);
  f.Application().Random().SetSeed(seed);
  const int look = After(seed, {6, f.SceneryIndex + 6}).Below(4);
  f.Timer1->SetEnabled(false);
  f.Timer1->SetEnabled(true);
  saver.App().RunUntil(saver.Backend().NowMs() + 3000);
  ASSERT_EQ(saver.Errors().size(), 1u);
  EXPECT_EQ(saver.Errors()[0].title, "Vantorel");
  EXPECT_EQ(saver.Errors()[0].text, "ファイル " + data.Dir() + Native("/VantorelData/Hito") +
                                        std::to_string(look) + ".bmp は開けません.");
  EXPECT_EQ(f.FloorQueueCount[3], 0);
  EXPECT_TRUE(f.Timer1->Running());
  EXPECT_TRUE(f.ElvTimer->Running());
  ExpectConsistent();
}

TEST(RandomGenerator, SeedZeroGivesTheKnownSequences) {
  RandomGenerator random;
  random.SetSeed(0);
  std::vector<int> below6;
  for (int i = 0; i < 5; ++i) below6.push_back(random.Below(6));
  EXPECT_EQ(below6, (std::vector<int>{0, 0, 5, 1, 1}));
  random.SetSeed(0);
  std::vector<int> below100;
  for (int i = 0; i < 5; ++i) below100.push_back(random.Below(100));
  EXPECT_EQ(below100, (std::vector<int>{0, 3, 86, 20, 27}));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(random.Below(1), 0);
}

}  // namespace
}  // namespace vt::test
