// The built-in files of the Windows program: RCDATA resources of the running executable,
// named by their file name with "." as "_" ("car.jpg" is CAR_JPG; resource names are not
// case-sensitive).
#include <string>

#include "assets/BuiltinResources.h"
#include "widgets/windows/Win32Api.h"

namespace vt::assets {

std::optional<std::span<const uint8_t>> Find(std::string_view name) {
  // Resource names are plain ASCII file names; anything else is not one of ours.
  std::wstring wide;
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\0' || c == '_') return std::nullopt;
    wide.push_back(c == '.' ? L'_' : static_cast<wchar_t>(c));
  }
  if (wide.empty()) return std::nullopt;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, wide.c_str(), RT_RCDATA);
  if (!info) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return std::nullopt;
  return std::span<const uint8_t>(static_cast<const uint8_t*>(data), SizeofResource(module, info));
}

}  // namespace vt::assets
