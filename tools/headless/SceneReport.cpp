#include "tools/headless/SceneReport.h"

#include <cstdio>

namespace vt {

namespace {

std::string Int(int64_t value) {
  return std::to_string(value);
}
const char* Bool(bool value) {
  return value ? "true" : "false";
}
const char* Bit(bool value) {
  return value ? "1" : "0";
}

std::string BoundsOf(const TControl& control) {
  return "[" + Int(control.Left()) + "," + Int(control.Top()) + "," + Int(control.Width()) + "," +
         Int(control.Height()) + "]";
}

// Appends "name":[...] for one widget, with a comma before every entry but the first.
void AddBounds(std::string& out, const std::string& name, const TControl& control) {
  if (out.back() != '{') out += ',';
  out += SceneReport::Quote(name) + ":" + BoundsOf(control);
}

template <class T, size_t N>
std::string LitList(T* const (&widgets)[N], size_t first) {
  std::string out = "[";
  for (size_t i = first; i < N; ++i) {
    if (i > first) out += ',';
    out += Bit(widgets[i]->Enabled());
  }
  return out + "]";
}

}  // namespace

std::string SceneReport::Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", byte);
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string SceneReport::Layout(const TElevatorScrForm& form) {
  std::string out = "{\"ev\":\"layout\",\"ScreenScale\":" + Int(form.ScreenScale) +
                    ",\"DpiScale\":" + Int(form.DpiScale) + ",\"CarStep\":" + Int(form.CarStep) +
                    ",\"FloorBaseY\":[";
  for (int f = 0; f < BuildingForm::FloorCount; ++f) {
    if (f > 0) out += ',';
    out += Int(form.FloorBaseY[f]);
  }
  out += "],\"Bounds\":";
  std::string bounds = "{";
  AddBounds(bounds, "ImgBillding", *form.ImgBillding);
  AddBounds(bounds, "ImgHaikei", *form.ImgHaikei);
  AddBounds(bounds, "ImgElv", *form.ImgElv);
  AddBounds(bounds, "BitBtn1", *form.BitBtn1);
  AddBounds(bounds, "BitBtn2", *form.BitBtn2);
  AddBounds(bounds, "ImgOkujo", *form.ImgOkujo);
  AddBounds(bounds, "ImgHito", *form.ImgHito);
  AddBounds(bounds, "ImgKanban", *form.ImgKanban);
  AddBounds(bounds, "Label2", *form.Label2);
  AddBounds(bounds, "Label1", *form.Label1);
  AddBounds(bounds, "LblManin", *form.LblManin);
  AddBounds(bounds, "LblKyakuCount", *form.LblKyakuCount);
  AddBounds(bounds, "LblElvManin", *form.LblElvManin);
  AddBounds(bounds, "CarUpLamp", *form.CarUpLamp);
  AddBounds(bounds, "CarDownLamp", *form.CarDownLamp);
  for (int f = 0; f <= 4; ++f) {
    AddBounds(bounds, "UpCallButtons[" + Int(f) + "]", *form.UpCallButtons[f]);
  }
  for (int f = 1; f <= 5; ++f) {
    AddBounds(bounds, "DownCallButtons[" + Int(f) + "]", *form.DownCallButtons[f]);
  }
  for (int f = 0; f < BuildingForm::FloorCount; ++f) {
    AddBounds(bounds, "CarPanelLabels[" + Int(f) + "]", *form.CarPanelLabels[f]);
  }
  for (int f = 0; f < BuildingForm::FloorCount; ++f) {
    AddBounds(bounds, "FloorFullLabels[" + Int(f) + "]", *form.FloorFullLabels[f]);
  }
  return out + bounds + "}}";
}

std::string SceneReport::Trace(const TElevatorScrForm& form, int64_t time_ms, const char* event) {
  const bool up = form.CarUpLamp->Enabled();
  const bool down = form.CarDownLamp->Enabled();
  const char* lamp = up && down ? "both" : up ? "up" : down ? "down" : "none";
  std::string out =
      "{\"t\":" + Int(time_ms) + ",\"ev\":" + Quote(event) +
      ",\"seed\":" + Int(form.Application().Random().Seed()) +
      ",\"CarFloor\":" + Int(form.CarFloor) + ",\"CarDirection\":" + Int(form.CarDirection) +
      ",\"CarTop\":" + Int(form.ImgElv->Top()) + ",\"CarAtFloor\":" + Bool(form.CarAtFloor) +
      ",\"CarLoad\":" + Int(form.CarLoad) + ",\"DwellTicks\":" + Int(form.DwellTicks) +
      ",\"BoardingBusy\":" + Bool(form.BoardingBusy) + ",\"Lamp\":" + Quote(lamp) +
      ",\"SceneryIndex\":" + Int(form.SceneryIndex) +
      ",\"SceneryTicks\":" + Int(form.SceneryTicks) + ",\"Queue\":[";
  for (int f = 0; f < BuildingForm::FloorCount; ++f) {
    if (f > 0) out += ',';
    out += Int(form.FloorQueueCount[f]);
  }
  out += "],\"Up\":" + LitList(form.UpCallButtons, 0);
  out += ",\"Down\":" + LitList(form.DownCallButtons, 1);
  out += ",\"Panel\":" + LitList(form.CarPanelLabels, 0);
  out += ",\"FullSigns\":" + LitList(form.FloorFullLabels, 0);
  out += ",\"Kyaku\":" + Quote(form.LblKyakuCount->Caption());
  out += ",\"Manin\":" + Quote(form.LblElvManin->Caption());
  out += ",\"Slots\":[";
  for (int f = 0; f < BuildingForm::FloorCount; ++f) {
    if (f > 0) out += ',';
    out += '[';
    for (int s = 1; s <= BuildingForm::SlotsPerFloor; ++s) {
      if (s > 1) out += ',';
      const PassengerSlot& slot = form.PassengerSlots[f][s];
      if (!slot.Occupied) {
        out += "null";
        continue;
      }
      const TImage& image = *form.PassengerImages[f][s];
      out += "[" + Int(slot.Destination) + "," + Bit(slot.InCar) + "," + Int(slot.QueuePosition) +
             "," + Int(image.Left()) + "," + Bit(image.Visible()) + "]";
    }
    out += ']';
  }
  return out + "]}";
}

std::string SceneReport::Error(int64_t time_ms, const std::string& title, const std::string& text) {
  return "{\"t\":" + Int(time_ms) + ",\"ev\":\"error\",\"title\":" + Quote(title) +
         ",\"text\":" + Quote(text) + "}";
}

}  // namespace vt
