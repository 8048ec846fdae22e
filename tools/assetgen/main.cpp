// vantorel-assetgen: draws every picture the program shows.
//
//   vantorel-assetgen [--builtin DIR] [--data DIR]
//       --builtin: the pictures built into the forms (backdrop, building, car, person,
//                  rooftop, signboard) and the icon (icon.bmp, and icon.ico for Windows
//                  with it at 16, 32, 48 and 256 pixels);
//       --data:    the data folder's six backdrops mirso0..5.jpg and five people Hito0..4.bmp.
//   vantorel-assetgen --preview-from SCREENSHOT.png OUT.jpg
//       reduces a screenshot of the running saver to the 350 x 262 preview picture.
//   vantorel-assetgen --preview-standin OUT.jpg
//       draws a stand-in preview from the generator's own pictures.
//
// Every output is the same, byte for byte, on every run.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/assetgen/BmpWriter.h"
#include "tools/assetgen/BuildingPicture.h"
#include "tools/assetgen/CityScape.h"
#include "tools/assetgen/Icon.h"
#include "tools/assetgen/JpegWriter.h"
#include "tools/assetgen/People.h"
#include "tools/assetgen/PngReader.h"
#include "tools/assetgen/Preview.h"
#include "tools/assetgen/Signboard.h"

namespace vt {
namespace {

constexpr int kQuality = 90;

std::string Join(const std::string& dir, const std::string& name) {
  return (std::filesystem::path(dir) / name).string();
}

void WriteBuiltin(const std::string& dir) {
  std::filesystem::create_directories(dir);
  WriteJpeg(Join(dir, "backdrop.jpg"), CityScape(CityMood::GreenNight(), 733, 550).Render(),
            kQuality, Dither::Ordered);
  WriteJpeg(Join(dir, "building.jpg"), DrawBuildingPicture(), kQuality, Dither::None);
  WriteJpeg(Join(dir, "car.jpg"), DrawCarPicture(), kQuality, Dither::None);
  WriteBmp8(Join(dir, "person.bmp"), DrawTemplatePerson());
  WriteBmp24(Join(dir, "rooftop.bmp"), DrawRooftopWorker());
  WriteJpeg(Join(dir, "signboard.jpg"), DrawSignboard(), kQuality, Dither::None);
  const Canvas icon = DrawIcon();
  WriteBmp32(Join(dir, "icon.bmp"), icon);
  WriteIco(Join(dir, "icon.ico"), DrawIconImages());
}

void WriteData(const std::string& dir) {
  std::filesystem::create_directories(dir);
  for (int i = 0; i < 6; ++i) {
    WriteJpeg(Join(dir, "mirso" + std::to_string(i) + ".jpg"),
              CityScape(CityMood::ForBackdrop(i), 1920, 1080).Render(), kQuality, Dither::Ordered);
  }
  for (int i = 0; i < kHitoCount; ++i) {
    WriteBmp24(Join(dir, "Hito" + std::to_string(i) + ".bmp"), DrawHito(i));
  }
}

void CreateParent(const std::string& file) {
  const std::filesystem::path parent = std::filesystem::path(file).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
}

int Usage() {
  std::fputs(
      "usage: vantorel-assetgen [--builtin DIR] [--data DIR]\n"
      "       vantorel-assetgen --preview-from SCREENSHOT.png OUT.jpg\n"
      "       vantorel-assetgen --preview-standin OUT.jpg\n",
      stderr);
  return 2;
}

int Run(const std::vector<std::string>& args) {
  std::string builtin;
  std::string data;
  std::string screenshot;
  std::string previewOut;
  bool standin = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const size_t left = args.size() - i - 1;
    if (a == "--builtin" && left >= 1) {
      builtin = args[++i];
    } else if (a == "--data" && left >= 1) {
      data = args[++i];
    } else if (a == "--preview-from" && left >= 2) {
      screenshot = args[++i];
      previewOut = args[++i];
    } else if (a == "--preview-standin" && left >= 1) {
      standin = true;
      previewOut = args[++i];
    } else {
      return Usage();
    }
  }
  if (builtin.empty() && data.empty() && previewOut.empty()) return Usage();
  if (!builtin.empty()) WriteBuiltin(builtin);
  if (!data.empty()) WriteData(data);
  if (!screenshot.empty()) {
    CreateParent(previewOut);
    WriteJpeg(previewOut, PreviewFromScreenshot(ReadPng(screenshot)), kQuality, Dither::Ordered);
  }
  if (standin) {
    CreateParent(previewOut);
    WriteJpeg(previewOut, DrawStandinPreview(), kQuality, Dither::Ordered);
  }
  return 0;
}

}  // namespace
}  // namespace vt

int main(int argc, char** argv) {
  try {
    return vt::Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantorel-assetgen: %s\n", e.what());
    return 1;
  }
}
