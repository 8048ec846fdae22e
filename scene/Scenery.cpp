#include <string>

#include "scene/SceneForm.h"
#include "widgets/Numbers.h"

namespace vt {

namespace {

// The folder that holds the data folder of a program in program_folder. Beside the program, but
// the installed Linux program lives in <prefix>/lib/vantorel/ and its pictures, the same on
// every architecture, lie in <prefix>/share/vantorel/ as the file system hierarchy wants (the
// build names both places, as it installs them). They are found from the program's own place,
// so that the installed tree works wherever it was put: under /usr by the package, under
// ~/.local by cmake --install.
std::string DataDirOf(const std::string& program_folder) {
#if defined(VT_INSTALLED_PROGRAM_DIR) && defined(VT_INSTALLED_DATA_DIR)
  const std::string installed = PathDelim + std::string(VT_INSTALLED_PROGRAM_DIR) + PathDelim;
  if (program_folder.ends_with(installed)) {
    const size_t prefix_end = program_folder.size() - installed.size() + 1;
    return program_folder.substr(0, prefix_end) + VT_INSTALLED_DATA_DIR + PathDelim;
  }
#endif
  return program_folder;
}

}  // namespace

void SceneForm::RecordDataDir() {
  DataDir = DataDirOf(ExtractFilePath(Application().ExeName()));
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
