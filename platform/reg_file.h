// Reads a hive kept as a text file in the registry editor's export format (.reg).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/key_tree.h"

namespace quorvel::platform {

inline constexpr std::int32_t kInvalidFileFormat = 321;  // the runtime's "Invalid file format"

// Parses the bytes of a .reg file (UTF-8, or UTF-16LE when it starts with FF FE) into the keys below
// `root`, the full name of the predefined key the file describes (e.g. "HKEY_LOCAL_MACHINE"); key
// lines may also name it by its abbreviation (HKLM). `fileName` only names the file in messages.
// An empty file is an empty hive. A malformed file raises AutomationError(kInvalidFileFormat,
// "Invalid file format: <fileName> line <N>: <problem>"), N being the 1-based physical line at fault.
RegKey ParseRegFile(std::string_view bytes, std::string_view root, std::string_view fileName);

}  // namespace quorvel::platform
