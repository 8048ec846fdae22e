#pragma once

#include <cstdint>
#include <string>

#include "sim/PassengerSlot.h"
#include "widgets/TApplication.h"
#include "widgets/TBitBtn.h"
#include "widgets/TForm.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"
#include "widgets/TTimer.h"

namespace vt {

// The saver form as the building simulation sees it: the whole state of floors, passengers and
// car, and the rules that move the car, board and drop riders and bring passengers in. The
// lit/dark signals are the Enabled property of their widgets and are never copied elsewhere;
// the car's position is the Top of ImgElv.
class BuildingForm : public TForm {
 public:
  static constexpr int32_t FloorCount = 6;
  static constexpr int32_t SlotsPerFloor = 10;
  static constexpr int32_t CarCapacity = 10;

  explicit BuildingForm(TApplication& application) : TForm(application) {}

  // Puts the building into its starting state: no passengers, every signal dark but one car
  // lamp, and the empty car standing level with a random floor.
  void ResetBuilding();
  // One tick of the car controller.
  void ElvTimerTimer(TObject* Sender);
  // Whether a call is lit on a floor from FromFloor to ToFloor (ToFloor at most 4).
  bool AnyCallBelow(int32_t FromFloor, int32_t ToFloor) const;
  // Whether a call is lit on a floor from FromFloor to ToFloor (FromFloor at least 1).
  bool AnyCallAbove(int32_t FromFloor, int32_t ToFloor) const;
  // One arrivals pass: a random group on a random floor.
  void SpawnPassengers();
  // One new passenger in the given slot, unless the slot is taken.
  void AddPassenger(int32_t floor, int32_t slot);
  // Lays out the ten widgets that ride with the car around its current position.
  virtual void PlaceCarWidgets() = 0;

  // Geometry and car.
  int32_t FloorBaseY[FloorCount] = {};
  int32_t CarFloor = 0;
  int32_t CarDirection = 0;
  int32_t CarStep = 0;
  bool CarAtFloor = false;
  int32_t CarLoad = 0;
  int32_t DwellTicks = 0;
  bool BoardingBusy = false;

  // Passengers, floors 0 to 5 and slots 1 to 10 (slot 0 is not used).
  PassengerSlot PassengerSlots[FloorCount][SlotsPerFloor + 1] = {};
  TImage* PassengerImages[FloorCount][SlotsPerFloor + 1] = {};
  int32_t FloorQueueCount[FloorCount] = {};
  int32_t FloorHeadcount[FloorCount] = {};

  // Scenery, scale and input.
  std::string DataDir;
  int32_t SceneryIndex = 0;
  int32_t SceneryTicks = 0;
  int64_t ScreenScale = 0;
  int64_t DpiScale = 0;
  int32_t MouseOriginX = 0;
  int32_t MouseOriginY = 0;

  // Signals: UpCallButtons for floors 0 to 4, DownCallButtons for floors 1 to 5.
  TBitBtn* UpCallButtons[FloorCount - 1] = {};
  TBitBtn* DownCallButtons[FloorCount] = {};
  TLabel* FloorFullLabels[FloorCount] = {};
  TBitBtn* CarUpLamp = nullptr;
  TBitBtn* CarDownLamp = nullptr;
  TLabel* CarPanelLabels[FloorCount] = {};

  // The components of the form description.
  TImage* ImgBillding = nullptr;
  TLabel* LblManin = nullptr;
  TImage* ImgHaikei = nullptr;
  TImage* ImgElv = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* LblKyakuCount = nullptr;
  TLabel* LblElvManin = nullptr;
  TImage* ImgHito = nullptr;
  TImage* ImgOkujo = nullptr;
  TImage* ImgKanban = nullptr;
  TLabel* Label2 = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TBitBtn* BitBtn2 = nullptr;
  TTimer* Timer1 = nullptr;
  TTimer* ElvTimer = nullptr;

 protected:
  // Finds the components of the form description under their names; runs once the
  // description has been read.
  void BindComponents();

  // The path of a picture of the data folder: prefix, number and extension.
  std::string DataFilePath(const std::string& prefix, int32_t number,
                           const std::string& extension) const;

 private:
  enum class BoardingOutcome { CarNotFull, CarFull };

  // Steps of one car tick, in their order.
  void MoveCar();
  void MoveCarWidgets();
  void DetectFloor();
  void LevelCar();
  void HoldAtEndFloors();
  void LetRidersOff();
  void TurnEmptyCar();
  BoardingOutcome BoardWaitingPassengers();
  void CountDwellAndDispatch();

  // Parts of the boarding pass.
  bool IsBoardingCandidate(int32_t slot) const;
  bool IsBoundForService(const PassengerSlot& passenger) const;
  int32_t RankBoardingCandidates();
  BoardingOutcome TakeOn(int32_t slot);
  TBitBtn* CallButtonOfService() const;

  // Signal helpers: one car lamp is lit at a time.
  void LightUpLamp();
  void LightDownLamp();
  void SetDirectionFromLamp();
  void ShowCarFull();
  void ShowCarNotFull();
  void ShowLoad();
};

}  // namespace vt
