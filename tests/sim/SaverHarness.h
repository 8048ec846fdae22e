#pragma once

// A saver form on a headless backend, built exactly as the full-screen saver builds it, and
// helpers that put a building into a chosen state for the simulation and scene tests.

#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "assets/BuiltinResources.h"
#include "shell/TElevatorScrForm.h"
#include "widgets/TApplication.h"
#include "widgets/headless/HeadlessBackend.h"

namespace vt::test {

// A path written with "/" in the platform's own delimiters.
inline std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', PathDelim);
  return path;
}

inline std::string BuiltProgram() {
#ifdef _WIN32
  return Native(std::string(VT_BINARY_DIR) + "/vantorel.scr");
#else
  return std::string(VT_BINARY_DIR) + "/vantorel";
#endif
}

class SaverHarness {
 public:
  explicit SaverHarness(Size screen = {1024, 768}, int ppi = 96,
                        const std::string& program = BuiltProgram()) {
    m_backend = std::make_unique<HeadlessBackend>(screen, ppi);
    m_app = std::make_unique<TApplication>(*m_backend);
    m_app->Initialize();
    m_app->SetTitle("Vantorel");
    m_app->SetResourceFinder(assets::Find);
    m_app->SetExeName(program);
    m_app->CreateForm(ElevatorScrForm);
    m_form = ElevatorScrForm;
  }
  ~SaverHarness() {
    if (ElevatorScrForm == m_form) ElevatorScrForm = nullptr;
  }

  TElevatorScrForm& Form() const { return *m_form; }
  TApplication& App() const { return *m_app; }
  HeadlessBackend& Backend() const { return *m_backend; }
  const std::vector<HeadlessBackend::ErrorBoxRecord>& Errors() const {
    return m_backend->ErrorBoxes();
  }

  // Shows the form with a fixed seed in place of the clock's.
  void Show(uint32_t seed) {
    m_form->SetSeedOverride(seed);
    m_app->ShowMainForm();
  }

  // Calls `after` with "elv" or "timer1" after every timer handler run, also after one that
  // failed (the failure is reported first, as the event loop would).
  void ObserveTimers(std::function<void(const char*)> after) {
    Wrap(*m_form->ElvTimer, "elv", after);
    Wrap(*m_form->Timer1, "timer1", after);
  }

  // ---- Putting the building into a chosen state ----

  // The car stands level with a floor, stopped, its widgets laid out around it.
  void StandCarAt(int32_t floor) {
    TElevatorScrForm& f = *m_form;
    f.ImgElv->SetTop(f.FloorBaseY[floor] - f.ImgElv->Height());
    f.CarFloor = floor;
    f.CarAtFloor = true;
    f.CarDirection = 0;
    f.PlaceCarWidgets();
  }
  // The car on its way (CarDirection -1 up, +1 down) with that way's lamp lit, its bottom
  // edge at y and its widgets laid out around it.
  void MoveCarWithBottomAt(int32_t y, int32_t direction) {
    TElevatorScrForm& f = *m_form;
    f.ImgElv->SetTop(y - f.ImgElv->Height());
    f.PlaceCarWidgets();
    if (direction < 0) {
      LightUpLamp();
    } else {
      LightDownLamp();
    }
    f.CarDirection = direction;
  }
  void LightUpLamp() {
    m_form->CarUpLamp->SetEnabled(true);
    m_form->CarDownLamp->SetEnabled(false);
  }
  void LightDownLamp() {
    m_form->CarUpLamp->SetEnabled(false);
    m_form->CarDownLamp->SetEnabled(true);
  }
  int32_t ColumnRight() const {
    return m_form->UpCallButtons[0]->Left() + m_form->UpCallButtons[0]->Width();
  }
  // A passenger waiting at the end of the floor's row, with its picture and its call lit.
  void PutWaiting(int32_t floor, int32_t slot, int32_t destination) {
    TElevatorScrForm& f = *m_form;
    PassengerSlot& p = f.PassengerSlots[floor][slot];
    p.Occupied = true;
    p.InCar = false;
    p.Destination = destination;
    p.BoardingOrder = 0;
    p.QueuePosition = ++f.FloorQueueCount[floor];
    TImage* image = f.PassengerImages[floor][slot];
    image->SetLeft(ColumnRight() + f.ImgHito->Width() * (p.QueuePosition - 1));
    image->SetTop(f.FloorBaseY[floor] - f.ImgHito->Height());
    image->SetVisible(true);
    if (destination > floor) {
      f.UpCallButtons[floor]->SetEnabled(true);
    } else {
      f.DownCallButtons[floor]->SetEnabled(true);
    }
  }
  // A rider who got on at `floor`, with its panel label lit.
  void PutRider(int32_t floor, int32_t slot, int32_t destination) {
    TElevatorScrForm& f = *m_form;
    PassengerSlot& p = f.PassengerSlots[floor][slot];
    p.Occupied = true;
    p.InCar = true;
    p.Destination = destination;
    p.QueuePosition = 0;
    p.BoardingOrder = 0;
    f.PassengerImages[floor][slot]->SetVisible(false);
    ++f.CarLoad;
    f.LblKyakuCount->SetCaption(std::to_string(f.CarLoad) + "人");
    f.CarPanelLabels[destination]->SetEnabled(true);
    if (f.CarLoad == 10) {
      for (TLabel* sign : f.FloorFullLabels) sign->SetEnabled(true);
      f.LblElvManin->SetCaption("満員");
    }
  }
  int32_t Riders() const {
    int32_t count = 0;
    for (int f = 0; f < 6; ++f) {
      for (int s = 1; s <= 10; ++s) count += m_form->PassengerSlots[f][s].InCar ? 1 : 0;
    }
    return count;
  }
  void Tick() { m_form->ElvTimerTimer(m_form->ElvTimer); }

 private:
  void Wrap(TTimer& timer, const char* event, const std::function<void(const char*)>& after) {
    TNotifyEvent handler = timer.OnTimer();
    TApplication* app = m_app.get();
    timer.SetOnTimer([app, handler, event, after](TObject* sender) {
      try {
        if (handler) handler(sender);
      } catch (...) {
        app->HandleException(std::current_exception());
      }
      after(event);
    });
  }

  std::unique_ptr<HeadlessBackend> m_backend;
  std::unique_ptr<TApplication> m_app;
  TElevatorScrForm* m_form = nullptr;
};

// A seed whose first draw below n gives `value`: so a test can choose the reset's floor.
inline uint32_t SeedForFirstDraw(int32_t n, int32_t value) {
  for (uint32_t seed = 0;; ++seed) {
    RandomGenerator random;
    random.SetSeed(seed);
    if (random.Below(n) == value) return seed;
  }
}

// ---- A data folder of one's own, with pictures told apart by their sizes ----

inline void WriteBmp(const std::string& path, int width, int height, uint32_t ground,
                     uint32_t figure) {
  const int stride = (width * 3 + 3) / 4 * 4;
  const uint32_t image_size = uint32_t(stride * height);
  std::vector<uint8_t> bytes(54 + image_size, 0);
  auto put16 = [&](size_t at, uint32_t v) {
    bytes[at] = uint8_t(v);
    bytes[at + 1] = uint8_t(v >> 8);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, uint32_t(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  put16(26, 1);
  put16(28, 24);
  put32(34, image_size);
  for (int y = 0; y < height; ++y) {  // bottom-up rows; the bottom-left pixel is the ground
    for (int x = 0; x < width; ++x) {
      const bool inside = x > width / 4 && x < width * 3 / 4 && y > height / 5;
      const uint32_t c = inside ? figure : ground;
      uint8_t* px = &bytes[54 + size_t(y) * size_t(stride) + size_t(x) * 3];
      px[0] = uint8_t(c);
      px[1] = uint8_t(c >> 8);
      px[2] = uint8_t(c >> 16);
    }
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void WriteJpeg(const std::string& path, int width, int height, uint32_t color) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(width) * 3);
  for (int x = 0; x < width; ++x) {
    row[size_t(x) * 3] = JSAMPLE(color >> 16);
    row[size_t(x) * 3 + 1] = JSAMPLE(color >> 8);
    row[size_t(x) * 3 + 2] = JSAMPLE(color);
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

// A temporary folder with a program path in it and, unless told otherwise, a full data folder
// whose backdrop n is (40 + n) x 30 pixels and whose person bitmap k is (10 + k) x 20.
class TempDataFolder {
 public:
  static constexpr int BackdropWidth(int n) { return 40 + n; }
  static constexpr int PersonWidth(int k) { return 10 + k; }

  explicit TempDataFolder(bool with_data = true) {
    // A folder of its own, whatever other runs of the tests use at the same time.
    std::random_device seed;
    std::filesystem::path dir;
    do {
      dir = std::filesystem::temp_directory_path() / ("vantorel-" + std::to_string(seed()));
    } while (!std::filesystem::create_directory(dir));
    m_dir = dir.string();
    if (!with_data) return;
    std::filesystem::create_directory(DataPath());
    for (int n = 0; n <= 5; ++n) WriteJpeg(Backdrop(n), BackdropWidth(n), 30, 0x204060u);
    for (int k = 0; k <= 4; ++k) WriteBmp(Person(k), PersonWidth(k), 20, 0x000000u, 0xC08040u);
  }
  ~TempDataFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  TempDataFolder(const TempDataFolder&) = delete;
  TempDataFolder& operator=(const TempDataFolder&) = delete;

  std::string Dir() const { return m_dir; }
  std::string Program() const { return m_dir + Native("/vantorel"); }
  std::string DataPath() const { return m_dir + Native("/VantorelData"); }
  std::string Backdrop(int n) const {
    return DataPath() + Native("/mirso") + std::to_string(n) + ".jpg";
  }
  std::string Person(int k) const {
    return DataPath() + Native("/Hito") + std::to_string(k) + ".bmp";
  }

 private:
  std::string m_dir;
};

}  // namespace vt::test
