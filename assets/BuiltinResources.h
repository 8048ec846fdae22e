#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vt::assets {

// The files compiled into the program (form descriptions, built-in pictures, the icon),
// found by their file name, such as "ElevatorScrForm.form" or "car.jpg".
std::optional<std::span<const uint8_t>> Find(std::string_view name);

}  // namespace vt::assets
