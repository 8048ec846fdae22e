#include "scene/SceneForm.h"

#include "widgets/Numbers.h"

namespace vt {

long double SceneForm::b(long double n) const {
  return n * static_cast<long double>(ScreenScale) * static_cast<long double>(DpiScale) /
         100000000.0L;
}

long double SceneForm::s(long double n) const {
  return n * static_cast<long double>(ScreenScale) / 10000.0L;
}

int32_t SceneForm::Round(long double value) {
  return static_cast<int32_t>(RoundHalfEven(value));
}

void SceneForm::FormCreate(TObject* Sender) {
  (void)Sender;
  BindComponents();
  // No mouse position seen yet.
  MouseOriginX = -1;
  MouseOriginY = -1;
  SizeToScreen();
  ComputeScale();
  PlaceFixedWidgets();
  ComputeFloorBaselines();
  CreateCallButtons();
  CreateCarLamps();
  CreateFloorWidgets();
}

void SceneForm::SizeToScreen() {
  const Rect screen = Application().GetBackend().PrimaryScreen();
  SetLeft(0);
  SetTop(0);
  SetWidth(screen.width);
  SetHeight(screen.height);
  ImgBillding->SetWidth(screen.width);
  ImgBillding->SetHeight(screen.height);
}

void SceneForm::ComputeScale() {
  const int64_t screen_height = Application().GetBackend().PrimaryScreen().height;
  const int64_t ppi = PixelsPerInch();
  // The screen factor follows the screen's height in 96-dpi pixels, not in device pixels: the
  // building is multiplied by the pixels-per-inch factor as well, so on a high-density screen
  // a factor taken from the device height would scale it twice and push the upper floors off
  // the top. Screens lower than the design height are not scaled down. Exact in integers, so
  // that a tie (1080 / 768 = 1.40625) goes to the even figure whatever the density.
  if (ppi <= 0 || screen_height * 96 < 768 * ppi) {
    ScreenScale = 10000;
  } else {
    ScreenScale = RoundHalfEvenQuotient(screen_height * 96 * 10000, ppi * 768);
  }
  DpiScale = RoundHalfEven(static_cast<long double>(PixelsPerInch()) / 96 * 10000);
  CarStep = Round(b(5));
}

void SceneForm::PlaceFixedWidgets() {
  // The building, centred, its top edge b(490) above the bottom of the screen.
  ImgHaikei->SetHeight(Round(b(515)));
  ImgHaikei->SetWidth(Round(b(620)));
  ImgHaikei->SetLeft((Width() - ImgHaikei->Width()) / 2);
  ImgHaikei->SetTop(ClientHeight() - Round(b(490)));
  // The car in the shaft; its Top belongs to the simulation.
  ImgElv->SetWidth(Round(s(ImgElv->Width())));
  ImgElv->SetHeight(Round(s(ImgElv->Height())));
  ImgElv->SetLeft(Round(ImgHaikei->Left() + b(23)));
  // The column of call buttons.
  BitBtn1->SetLeft(Round(ImgHaikei->Left() + b(128)));
  BitBtn2->SetLeft(BitBtn1->Left());
  // The rooftop character stands on the roof, sunk a little into it.
  ImgOkujo->SetWidth(Round(s(ImgOkujo->Width())));
  ImgOkujo->SetHeight(Round(s(ImgOkujo->Height())));
  ImgOkujo->SetLeft(Round(b(25)) + ImgHaikei->Left());
  ImgOkujo->SetTop(Round(b(5)) + ImgHaikei->Top() - ImgOkujo->Height());
  // The person size used for every passenger.
  ImgHito->SetWidth(Round(s(ImgHito->Width())));
  ImgHito->SetHeight(Round(s(ImgHito->Height())));
  // The signboard beside the character.
  ImgKanban->SetWidth(Round(s(ImgKanban->Width())));
  ImgKanban->SetHeight(Round(s(ImgKanban->Height())));
  ImgKanban->SetLeft(ImgOkujo->Left() + ImgOkujo->Width() + 5);
  ImgKanban->SetTop(ImgHaikei->Top() - ImgKanban->Height());
  // The credit line sizes itself to its caption; it goes to the bottom-right corner.
  Label2->SetLeft(Width() - Label2->Width() - 5);
  Label2->SetTop(Height() - Label2->Height() - 5);
}

void SceneForm::ComputeFloorBaselines() {
  for (int32_t f = 0; f < FloorCount; ++f) {
    FloorBaseY[f] = Round(b(485 - 80 * f)) + ImgHaikei->Top();
  }
}

void SceneForm::CreateCallButtons() {
  for (int32_t f = 0; f <= 4; ++f) {
    TBitBtn* button = CreateOwned<TBitBtn>();
    button->SetParent(this);
    button->SetBounds(BitBtn1->Left(), Round(FloorBaseY[f] - b(70)), BitBtn1->Width(),
                      BitBtn1->Height());
    button->SetFont(BitBtn1->Font());
    button->SetCaption(BitBtn1->Caption());
    button->SetEnabled(false);
    UpCallButtons[f] = button;
  }
  for (int32_t f = 1; f <= 5; ++f) {
    TBitBtn* button = CreateOwned<TBitBtn>();
    button->SetParent(this);
    button->SetBounds(BitBtn2->Left(), Round(FloorBaseY[f] - b(40)), BitBtn2->Width(),
                      BitBtn2->Height());
    button->SetFont(BitBtn2->Font());
    button->SetCaption(BitBtn2->Caption());
    button->SetEnabled(false);
    DownCallButtons[f] = button;
  }
}

void SceneForm::CreateCarLamps() {
  CarUpLamp = CreateOwned<TBitBtn>();
  CarUpLamp->SetParent(this);
  CarUpLamp->SetFont(BitBtn1->Font());
  CarUpLamp->SetCaption(BitBtn1->Caption());
  CarUpLamp->SetEnabled(false);
  CarDownLamp = CreateOwned<TBitBtn>();
  CarDownLamp->SetParent(this);
  CarDownLamp->SetFont(BitBtn2->Font());
  CarDownLamp->SetCaption(BitBtn2->Caption());
  CarDownLamp->SetEnabled(false);
}

void SceneForm::CreateFloorWidgets() {
  for (int32_t f = 0; f < FloorCount; ++f) {
    TLabel* panel = CreateOwned<TLabel>();
    panel->SetParent(this);
    panel->SetAutoSize(false);
    panel->SetWidth(Label1->Width());
    panel->SetHeight(Label1->Height());
    panel->SetColor(Label1->Color());
    panel->SetFont(Label1->Font());
    panel->SetCaption(f == 0 ? std::string("B") : IntToStr(f));
    panel->SetAlignment(TAlignment::taCenter);
    panel->SetEnabled(false);
    CarPanelLabels[f] = panel;

    TLabel* sign = CreateOwned<TLabel>();
    sign->SetParent(this);
    sign->SetAutoSize(false);
    sign->SetWidth(LblManin->Width());
    sign->SetHeight(LblManin->Height());
    sign->SetFont(LblManin->Font());
    sign->SetCaption(LblManin->Caption());
    sign->SetColor(LblManin->Color());
    sign->SetEnabled(false);
    // Beside the button column, at the height of the floor's up-call button.
    sign->SetBounds(UpCallButtons[1]->Left() + UpCallButtons[1]->Width() + 2,
                    Round(FloorBaseY[f] - b(70)), sign->Width(), sign->Height());
    FloorFullLabels[f] = sign;

    for (int32_t n = 1; n <= SlotsPerFloor; ++n) {
      TImage* image = CreateOwned<TImage>();
      image->SetParent(this);
      image->SetHeight(ImgHito->Height());
      image->SetWidth(ImgHito->Width());
      image->SetAutoSize(false);
      image->SetStretch(true);
      image->SetTransparent(true);
      image->SetVisible(false);
      PassengerImages[f][n] = image;
    }
  }
}

void SceneForm::PlaceCarWidgets() {
  const int32_t L = ImgElv->Left();
  const int32_t T = ImgElv->Top();
  const int32_t W = ImgElv->Width();
  const int32_t H = ImgElv->Height();
  // The floor panel across the top, "B" leftmost, one pixel apart.
  for (int32_t i = 0; i < FloorCount; ++i) {
    CarPanelLabels[i]->SetBounds(Round(b(10)) + L + (Label1->Width() + 1) * i, Round(b(5)) + T,
                                 Label1->Width(), Label1->Height());
  }
  // The lamps, the down lamp right of the up lamp.
  CarUpLamp->SetBounds(Round(b(5)) + L, Round(b(25)) + T, BitBtn1->Width(), BitBtn1->Height());
  CarDownLamp->SetBounds(CarUpLamp->Left() + CarUpLamp->Width() + 3, Round(b(25)) + T,
                         BitBtn1->Width(), BitBtn1->Height());
  // The load in the bottom-right corner, the full sign in the bottom-left.
  LblKyakuCount->SetBounds(L + W - LblKyakuCount->Width() - 5, T + H - LblKyakuCount->Height() - 5,
                           LblKyakuCount->Width(), LblKyakuCount->Height());
  LblElvManin->SetBounds(Round(b(6)) + L, T + H - LblElvManin->Height() - 7, LblElvManin->Width(),
                         LblElvManin->Height());
}

}  // namespace vt
