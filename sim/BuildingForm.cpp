#include "sim/BuildingForm.h"

#include <cassert>

#include "widgets/Numbers.h"

namespace vt {

namespace {

template <class T>
T* Find(const TComponent& owner, const char* name) {
  T* component = dynamic_cast<T*>(owner.FindComponent(name));
  assert(component != nullptr && "the form description lacks a component the saver needs");
  return component;
}

}  // namespace

void BuildingForm::BindComponents() {
  ImgBillding = Find<TImage>(*this, "ImgBillding");
  LblManin = Find<TLabel>(*this, "LblManin");
  ImgHaikei = Find<TImage>(*this, "ImgHaikei");
  ImgElv = Find<TImage>(*this, "ImgElv");
  Label1 = Find<TLabel>(*this, "Label1");
  LblKyakuCount = Find<TLabel>(*this, "LblKyakuCount");
  LblElvManin = Find<TLabel>(*this, "LblElvManin");
  ImgHito = Find<TImage>(*this, "ImgHito");
  ImgOkujo = Find<TImage>(*this, "ImgOkujo");
  ImgKanban = Find<TImage>(*this, "ImgKanban");
  Label2 = Find<TLabel>(*this, "Label2");
  BitBtn1 = Find<TBitBtn>(*this, "BitBtn1");
  BitBtn2 = Find<TBitBtn>(*this, "BitBtn2");
  Timer1 = Find<TTimer>(*this, "Timer1");
  ElvTimer = Find<TTimer>(*this, "ElvTimer");
}

std::string BuildingForm::DataFilePath(const std::string& prefix, int32_t number,
                                       const std::string& extension) const {
  return DataDir + "VantorelData" + PathDelim + prefix + IntToStr(number) + extension;
}

bool BuildingForm::AnyCallBelow(int32_t FromFloor, int32_t ToFloor) const {
  assert(ToFloor < FloorCount - 1 && "floor 5 has no up-call button");
  for (int32_t f = FromFloor; f <= ToFloor; ++f) {
    if (UpCallButtons[f]->Enabled()) return true;
    if (f > 0 && DownCallButtons[f]->Enabled()) return true;
  }
  return false;
}

bool BuildingForm::AnyCallAbove(int32_t FromFloor, int32_t ToFloor) const {
  assert(FromFloor > 0 && "floor 0 has no down-call button");
  for (int32_t f = FromFloor; f <= ToFloor; ++f) {
    if (DownCallButtons[f]->Enabled()) return true;
    if (f < FloorCount - 1 && UpCallButtons[f]->Enabled()) return true;
  }
  return false;
}

void BuildingForm::LightUpLamp() {
  CarUpLamp->SetEnabled(true);
  CarDownLamp->SetEnabled(false);
}

void BuildingForm::LightDownLamp() {
  CarUpLamp->SetEnabled(false);
  CarDownLamp->SetEnabled(true);
}

void BuildingForm::SetDirectionFromLamp() {
  if (CarUpLamp->Enabled()) CarDirection = -1;
  if (CarDownLamp->Enabled()) CarDirection = +1;
}

void BuildingForm::ShowLoad() {
  LblKyakuCount->SetCaption(IntToStr(CarLoad) + "人");
}

void BuildingForm::ShowCarFull() {
  for (TLabel* sign : FloorFullLabels) sign->SetEnabled(true);
  LblElvManin->SetCaption("満員");
}

void BuildingForm::ShowCarNotFull() {
  for (TLabel* sign : FloorFullLabels) sign->SetEnabled(false);
  LblElvManin->SetCaption("");
}

}  // namespace vt
