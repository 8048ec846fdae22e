#include "scene/SceneForm.h"
#include "widgets/Numbers.h"

namespace vt {

void SceneForm::RecordDataDir() {
  DataDir = ExtractFilePath(Application().ExeName());
}

void SceneForm::LoadBackdrop() {
  ImgBillding->Picture().LoadFromFile(DataFilePath("mirso", SceneryIndex, ".jpg"));
}

void SceneForm::LoadCharacter(int32_t number) {
  ImgOkujo->Picture().LoadFromFile(DataFilePath("Hito", number, ".bmp"));
}

void SceneForm::LoadFirstBackdrop() {
  SceneryIndex = Application().Random().Below(6);
  LoadBackdrop();
}

void SceneForm::LoadFirstCharacter() {
  LoadCharacter(Application().Random().Below(5));
}

void SceneForm::ChangeScenery() {
  RandomGenerator& random = Application().Random();
  // Never the same backdrop twice in a row; the character may come again.
  int32_t index = 0;
  do {
    index = random.Below(6);
  } while (index == SceneryIndex);
  SceneryIndex = index;
  LoadBackdrop();
  LoadCharacter(random.Below(5));
  SceneryTicks = 0;
}

void SceneForm::Timer1Timer(TObject* Sender) {
  (void)Sender;
  ++SceneryTicks;
  // A failed load leaves the count at 20, so it runs on past 20 and the scenery stays.
  if (SceneryTicks == 20) ChangeScenery();
  SpawnPassengers();
}

}  // namespace vt
