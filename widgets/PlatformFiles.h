#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

// Full path of the running program file, resolved, in UTF-8; "" when the platform cannot
// tell.
std::string ProgramFilePath();

enum class FileReadResult { Read, CannotOpen, ReadFailed };

// Reads the whole file named by a UTF-8 path into bytes. A folder cannot be opened as a file.
FileReadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

}  // namespace vt
