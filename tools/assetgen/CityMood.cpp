#include "tools/assetgen/CityMood.h"

namespace vt {

CityMood CityMood::Night() {
  CityMood m;
  m.seed = 101;
  m.skyTop = FColor::Rgb(6, 10, 28);
  m.skyMid = FColor::Rgb(18, 30, 64);
  m.skyHorizon = FColor::Rgb(70, 64, 84);
  m.body = Body::Moon;
  m.bodyX = 0.80f;
  m.bodyY = 0.13f;
  m.bodyRadius = 24;
  m.bodyColor = FColor::Rgb(240, 236, 214);
  m.glowColor = FColor::Rgb(120, 130, 170);
  m.glowRadius = 260;
  m.glowStrength = 0.35f;
  m.horizonGlow = FColor::Rgb(120, 80, 50);
  m.horizonGlowStrength = 0.35f;
  m.stars = 1;
  m.cloudCover = 0.22f;
  m.cloudLit = FColor::Rgb(70, 70, 96);
  m.cloudShade = FColor::Rgb(24, 28, 50);
  m.cloudOpacity = 0.6f;
  m.facadeDark = FColor::Rgb(12, 16, 26);
  m.facadeLight = FColor::Rgb(34, 42, 58);
  m.hazeColor = FColor::Rgb(54, 52, 70);
  m.haze = 0.85f;
  m.litWindows = 0.42f;
  m.streetLights = 1;
  m.groundColor = FColor::Rgb(14, 16, 22);
  m.bloom = 0.9f;
  return m;
}

CityMood CityMood::Dusk() {
  CityMood m;
  m.seed = 202;
  m.skyTop = FColor::Rgb(34, 40, 96);
  m.skyMid = FColor::Rgb(136, 88, 136);
  m.skyHorizon = FColor::Rgb(250, 150, 84);
  m.horizonGlow = FColor::Rgb(255, 120, 40);
  m.horizonGlowX = 0.2f;
  m.horizonGlowStrength = 0.7f;
  m.stars = 0.12f;
  m.cloudCover = 0.34f;
  m.cloudLit = FColor::Rgb(255, 150, 120);
  m.cloudShade = FColor::Rgb(84, 62, 106);
  m.cloudTop = 0.04f;
  m.cloudBottom = 0.34f;
  m.cloudOpacity = 0.85f;
  m.facadeDark = FColor::Rgb(26, 24, 46);
  m.facadeLight = FColor::Rgb(58, 52, 80);
  m.daylight = 0.15f;
  m.sunFromLeft = 1;
  m.sunTint = FColor::Rgb(255, 140, 80);
  m.hazeColor = FColor::Rgb(170, 110, 110);
  m.haze = 0.8f;
  m.litWindows = 0.3f;
  m.streetLights = 0.9f;
  m.groundColor = FColor::Rgb(24, 20, 32);
  m.bloom = 0.7f;
  return m;
}

CityMood CityMood::Dawn() {
  CityMood m;
  m.seed = 303;
  m.skyTop = FColor::Rgb(70, 104, 170);
  m.skyMid = FColor::Rgb(178, 168, 200);
  m.skyHorizon = FColor::Rgb(244, 184, 150);
  m.body = Body::Sun;
  m.bodyX = 0.7f;
  m.bodyY = 0.19f;
  m.bodyRadius = 24;
  m.bodyColor = FColor::Rgb(255, 244, 210);
  m.glowColor = FColor::Rgb(255, 190, 120);
  m.glowRadius = 320;
  m.glowStrength = 0.15f;
  m.horizonGlow = FColor::Rgb(255, 170, 110);
  m.horizonGlowX = 0.7f;
  m.horizonGlowStrength = 0.18f;
  m.cloudCover = 0.26f;
  m.cloudLit = FColor::Rgb(255, 214, 190);
  m.cloudShade = FColor::Rgb(160, 140, 170);
  m.cloudTop = 0.02f;
  m.cloudBottom = 0.28f;
  m.cloudOpacity = 0.8f;
  m.facadeDark = FColor::Rgb(70, 80, 104);
  m.facadeLight = FColor::Rgb(130, 134, 152);
  m.daylight = 0.6f;
  m.sunFromLeft = -1;
  m.sunTint = FColor::Rgb(255, 196, 150);
  m.hazeColor = FColor::Rgb(226, 196, 184);
  m.haze = 1.0f;
  m.groundMist = 0.5f;
  m.litWindows = 0.1f;
  m.streetLights = 0.45f;
  m.groundColor = FColor::Rgb(90, 88, 100);
  m.bloom = 0.4f;
  return m;
}

CityMood CityMood::Day() {
  CityMood m;
  m.seed = 404;
  m.skyTop = FColor::Rgb(48, 108, 200);
  m.skyMid = FColor::Rgb(110, 166, 230);
  m.skyHorizon = FColor::Rgb(196, 222, 242);
  m.body = Body::Sun;
  m.bodyX = 0.14f;
  m.bodyY = 0.09f;
  m.bodyRadius = 22;
  m.bodyColor = FColor::Rgb(255, 255, 244);
  m.glowColor = FColor::Rgb(255, 250, 220);
  m.glowRadius = 380;
  m.glowStrength = 0.4f;
  m.cloudCover = 0.4f;
  m.cloudLit = FColor::Rgb(255, 255, 255);
  m.cloudShade = FColor::Rgb(176, 190, 212);
  m.cloudTop = 0.0f;
  m.cloudBottom = 0.36f;
  m.cloudOpacity = 0.95f;
  m.facadeDark = FColor::Rgb(76, 104, 128);
  m.facadeLight = FColor::Rgb(212, 208, 198);
  m.daylight = 1;
  m.sunFromLeft = 1;
  m.sunTint = FColor::Rgb(255, 248, 232);
  m.hazeColor = FColor::Rgb(188, 210, 230);
  m.haze = 0.75f;
  m.litWindows = 0;
  m.streetLights = 0;
  m.groundColor = FColor::Rgb(120, 124, 120);
  return m;
}

CityMood CityMood::Rain() {
  CityMood m;
  m.seed = 505;
  m.skyTop = FColor::Rgb(40, 44, 52);
  m.skyMid = FColor::Rgb(70, 76, 86);
  m.skyHorizon = FColor::Rgb(112, 116, 124);
  m.horizonGlow = FColor::Rgb(120, 100, 80);
  m.horizonGlowStrength = 0.15f;
  m.cloudCover = 0.9f;
  m.cloudLit = FColor::Rgb(104, 108, 118);
  m.cloudShade = FColor::Rgb(36, 40, 48);
  m.cloudTop = -0.1f;
  m.cloudBottom = 0.4f;
  m.cloudOpacity = 0.85f;
  m.facadeDark = FColor::Rgb(30, 34, 42);
  m.facadeLight = FColor::Rgb(70, 76, 86);
  m.daylight = 0.3f;
  m.hazeColor = FColor::Rgb(96, 100, 108);
  m.haze = 1.25f;
  m.groundMist = 0.3f;
  m.litWindows = 0.34f;
  m.streetLights = 0.85f;
  m.groundColor = FColor::Rgb(28, 30, 36);
  m.wet = true;
  m.rain = 1;
  m.bloom = 0.8f;
  return m;
}

CityMood CityMood::Snow() {
  CityMood m;
  m.seed = 606;
  m.skyTop = FColor::Rgb(132, 142, 160);
  m.skyMid = FColor::Rgb(172, 178, 192);
  m.skyHorizon = FColor::Rgb(206, 208, 216);
  m.body = Body::Sun;
  m.bodyX = 0.3f;
  m.bodyY = 0.16f;
  m.bodyRadius = 0;
  m.glowColor = FColor::Rgb(255, 250, 236);
  m.glowRadius = 360;
  m.glowStrength = 0.25f;
  m.cloudCover = 0.7f;
  m.cloudLit = FColor::Rgb(214, 216, 224);
  m.cloudShade = FColor::Rgb(140, 146, 162);
  m.cloudTop = -0.1f;
  m.cloudBottom = 0.4f;
  m.cloudOpacity = 0.6f;
  m.facadeDark = FColor::Rgb(70, 76, 90);
  m.facadeLight = FColor::Rgb(146, 150, 160);
  m.daylight = 0.55f;
  m.sunFromLeft = 1;
  m.hazeColor = FColor::Rgb(200, 204, 214);
  m.haze = 1.55f;
  m.groundMist = 0.3f;
  m.litWindows = 0.26f;
  m.streetLights = 0.6f;
  m.groundColor = FColor::Rgb(196, 200, 210);
  m.snowyRoofs = true;
  m.snow = 1;
  m.bloom = 0.35f;
  return m;
}

CityMood CityMood::GreenNight() {
  CityMood m = Night();
  m.seed = 77;
  m.skyTop = FColor::Rgb(4, 14, 12);
  m.skyMid = FColor::Rgb(16, 44, 38);
  m.skyHorizon = FColor::Rgb(66, 100, 80);
  m.body = Body::None;
  m.horizonGlow = FColor::Rgb(90, 110, 60);
  m.horizonGlowStrength = 0.35f;
  m.stars = 0.25f;
  m.cloudCover = 0.35f;
  m.cloudLit = FColor::Rgb(60, 90, 74);
  m.cloudShade = FColor::Rgb(14, 30, 26);
  m.facadeDark = FColor::Rgb(10, 20, 20);
  m.facadeLight = FColor::Rgb(30, 46, 46);
  m.hazeColor = FColor::Rgb(50, 78, 64);
  m.haze = 1.0f;
  m.litWindows = 0.5f;
  return m;
}

CityMood CityMood::ForBackdrop(int index) {
  switch (index) {
    case 0:
      return Night();
    case 1:
      return Dusk();
    case 2:
      return Dawn();
    case 3:
      return Day();
    case 4:
      return Rain();
    default:
      return Snow();
  }
}

}  // namespace vt
