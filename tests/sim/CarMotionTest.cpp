// Car motion, floor detection, levelling and the end stops.

#include <gtest/gtest.h>

#include "tests/sim/Invariants.h"
#include "tests/sim/SaverHarness.h"

namespace vt::test {
namespace {

class CarMotion : public ::testing::Test {
 protected:
  void SetUp() override {
    saver.Show(5);
    ASSERT_EQ(f.CarStep, 5);
  }
  int Bottom() const { return f.ImgElv->Top() + f.ImgElv->Height(); }

  SaverHarness saver;
  TElevatorScrForm& f = saver.Form();
};

TEST_F(CarMotion, DownwardCarThreePixelsAboveALineIsLevelledOntoIt) {
  const int line = f.FloorBaseY[2];
  saver.MoveCarWithBottomAt(line - 8, +1);
  // Disturb the widgets: levelling must lay them out afresh.
  f.CarPanelLabels[3]->SetTop(f.CarPanelLabels[3]->Top() + 11);
  f.LblElvManin->SetLeft(f.LblElvManin->Left() - 4);
  saver.Tick();
  EXPECT_EQ(f.CarFloor, 2);
  EXPECT_TRUE(f.CarAtFloor);
  EXPECT_EQ(Bottom(), line);
  CarWidgetOffsets after = MeasureCarWidgets(f);
  f.PlaceCarWidgets();
  EXPECT_EQ(after, MeasureCarWidgets(f));
  EXPECT_EQ(f.CarPanelLabels[3]->Top(), f.ImgElv->Top() + 5);
  EXPECT_EQ(f.LblElvManin->Left(), f.ImgElv->Left() + 6);
}

TEST_F(CarMotion, UpwardCarBelowALineCountsAsTheFloorBelowThenIsPulledBackDown) {
  const int line = f.FloorBaseY[3];
  saver.MoveCarWithBottomAt(line + 8, -1);
  saver.Tick();
  EXPECT_EQ(Bottom(), line + 3);
  EXPECT_EQ(f.CarFloor, 2);
  EXPECT_FALSE(f.CarAtFloor);
  saver.Tick();
  EXPECT_EQ(f.CarFloor, 3);
  EXPECT_TRUE(f.CarAtFloor);
  EXPECT_EQ(Bottom(), line);  // moved to 2 pixels above, pulled back onto the line
}

TEST_F(CarMotion, BottomExactlyOneStepFromTheLineIsNotLevel) {
  const int line = f.FloorBaseY[1];
  saver.MoveCarWithBottomAt(line - 10, +1);
  saver.Tick();
  EXPECT_EQ(Bottom(), line - 5);
  EXPECT_EQ(f.CarFloor, 1);
  EXPECT_FALSE(f.CarAtFloor);
  // From below, going up.
  saver.MoveCarWithBottomAt(line + 10, -1);
  saver.Tick();
  EXPECT_EQ(Bottom(), line + 5);
  EXPECT_EQ(f.CarFloor, 0);
  EXPECT_FALSE(f.CarAtFloor);
}

TEST_F(CarMotion, PassingCarIsLevelForOneTickAndMovesOnInTheNext) {
  const int line = f.FloorBaseY[3];
  saver.MoveCarWithBottomAt(line - 5, +1);
  f.DwellTicks = 0;
  saver.Tick();
  EXPECT_TRUE(f.CarAtFloor);
  EXPECT_EQ(f.CarFloor, 3);
  EXPECT_EQ(Bottom(), line);
  EXPECT_EQ(f.CarDirection, +1);
  EXPECT_EQ(f.DwellTicks, 1);
  saver.Tick();
  EXPECT_FALSE(f.CarAtFloor);
  EXPECT_EQ(f.CarFloor, 2);
  EXPECT_EQ(Bottom(), line + 5);
  EXPECT_EQ(f.DwellTicks, 1);
}

TEST_F(CarMotion, MovingCarCarriesItsTenWidgetsByExactlyOneStep) {
  saver.MoveCarWithBottomAt(f.FloorBaseY[1] - 30, -1);
  const CarWidgetOffsets offsets = MeasureCarWidgets(f);
  std::vector<TControl*> widgets(std::begin(f.CarPanelLabels), std::end(f.CarPanelLabels));
  widgets.insert(widgets.end(), {f.CarUpLamp, f.CarDownLamp, f.LblKyakuCount, f.LblElvManin});
  for (int tick = 0; tick < 3; ++tick) {
    std::vector<int> tops;
    for (TControl* w : widgets) tops.push_back(w->Top());
    const int car_top = f.ImgElv->Top();
    saver.Tick();
    ASSERT_FALSE(f.CarAtFloor);
    EXPECT_EQ(f.ImgElv->Top(), car_top - 5);
    for (size_t i = 0; i < widgets.size(); ++i) EXPECT_EQ(widgets[i]->Top(), tops[i] - 5) << i;
    EXPECT_EQ(MeasureCarWidgets(f), offsets);
  }
}

TEST(CarAtAnEnd, IsHeldWithTheLampPointingBackInEveryTick) {
  const struct {
    const char* behaviour;
    int floor;
    int offset;     // of the bottom edge from the floor's line, one step before it
    int direction;  // towards the end
  } cases[] = {{"CarAtFloorZeroIsHeldWithTheUpLampInEveryTick", 0, -7, +1},
               {"CarAtFloorFiveIsHeldWithTheDownLampInEveryTick", 5, +3, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.behaviour);
    SaverHarness saver;
    saver.Show(5);
    TElevatorScrForm& f = saver.Form();
    saver.MoveCarWithBottomAt(f.FloorBaseY[c.floor] + c.offset, c.direction);
    for (int tick = 0; tick < 2; ++tick) {
      SCOPED_TRACE(tick);
      // Each tick starts with the lamp lit towards the end.
      c.direction < 0 ? saver.LightUpLamp() : saver.LightDownLamp();
      saver.Tick();
      EXPECT_EQ(f.ImgElv->Top() + f.ImgElv->Height(), f.FloorBaseY[c.floor]);
      EXPECT_EQ(f.CarFloor, c.floor);
      EXPECT_EQ(f.CarDirection, 0);
      EXPECT_EQ(f.CarUpLamp->Enabled(), c.direction > 0);
      EXPECT_EQ(f.CarDownLamp->Enabled(), c.direction < 0);
    }
  }
}

TEST_F(CarMotion, CarBetweenFloorsOnlyTravels) {
  // Riders bound for floor 2 and a candidate waiting there; the car is 20 pixels below floor 3.
  saver.PutRider(0, 1, 2);
  saver.PutWaiting(2, 1, 5);
  saver.MoveCarWithBottomAt(f.FloorBaseY[3] + 20, -1);
  f.DwellTicks = 4;
  saver.Tick();
  EXPECT_FALSE(f.CarAtFloor);
  EXPECT_EQ(f.CarFloor, 2);
  EXPECT_EQ(f.DwellTicks, 4);
  EXPECT_EQ(f.CarLoad, 1);
  EXPECT_TRUE(f.CarPanelLabels[2]->Enabled());
  EXPECT_FALSE(f.PassengerSlots[2][1].InCar);
  EXPECT_EQ(f.CarDirection, -1);
}

TEST_F(CarMotion, FloorDetectionCoversTheWholeShaft) {
  // Every bottom edge from below floor 0 to above floor 5 gives the floor the rules name.
  for (int y = f.FloorBaseY[5] - 3; y <= f.FloorBaseY[0] + 3; ++y) {
    saver.MoveCarWithBottomAt(y + 5, -1);  // the tick moves the bottom edge up to y
    saver.Tick();
    int expected = 0;
    for (int i = 0; i <= 4; ++i) {
      if (f.FloorBaseY[i + 1] < y && y <= f.FloorBaseY[i]) expected = i;
    }
    if (y >= f.FloorBaseY[0]) expected = 0;
    if (y <= f.FloorBaseY[5]) expected = 5;
    ASSERT_EQ(f.CarFloor, expected) << "bottom edge " << y;
    const int line = f.FloorBaseY[expected];
    ASSERT_EQ(f.CarAtFloor, line - 5 < y && y < line + 5) << "bottom edge " << y;
  }
}

}  // namespace
}  // namespace vt::test
