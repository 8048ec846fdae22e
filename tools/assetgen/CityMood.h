#pragma once

#include <cstdint>

#include "tools/assetgen/Canvas.h"

namespace vt {

// The light and weather of one view of the city. Positions are fractions of the picture's
// width and height, sizes are pixels of a 1080-line picture.
struct CityMood {
  enum class Body { None, Moon, Sun };

  uint32_t seed = 1;
  FColor skyTop;
  FColor skyMid;
  FColor skyHorizon;
  float horizon = 0.40f;

  Body body = Body::None;
  float bodyX = 0.5f;
  float bodyY = 0.2f;
  float bodyRadius = 26;
  FColor bodyColor;
  FColor glowColor;
  float glowRadius = 300;
  float glowStrength = 0;
  // A wide glow low in the sky: the sun below the horizon, or the city's own light.
  FColor horizonGlow;
  float horizonGlowX = 0.5f;
  float horizonGlowStrength = 0;

  float stars = 0;
  float cloudCover = 0;
  FColor cloudLit;
  FColor cloudShade;
  float cloudTop = 0.0f;
  float cloudBottom = 0.35f;
  float cloudOpacity = 0.9f;

  // Facades are picked between these two, then lit: daylight 0 is night, 1 full day.
  FColor facadeDark;
  FColor facadeLight;
  float daylight = 0;
  float sunFromLeft = 1;  // which side of the towers the light falls on, +1 left, -1 right
  FColor sunTint = FColor::Rgb(255, 255, 255);
  FColor hazeColor;
  float haze = 1;
  float groundMist = 0;
  float litWindows = 0;
  float streetLights = 0;
  FColor groundColor;
  bool snowyRoofs = false;
  bool wet = false;

  float rain = 0;
  float snow = 0;
  float bloom = 0;

  static CityMood Night();
  static CityMood Dusk();
  static CityMood Dawn();
  static CityMood Day();
  static CityMood Rain();
  static CityMood Snow();
  // A hazy night under a green-tinted sky: the built-in backdrop.
  static CityMood GreenNight();
  // The six views of the data folder, 0 to 5.
  static CityMood ForBackdrop(int index);
};

}  // namespace vt
