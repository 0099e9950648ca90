// Reads and writes a hive kept as a text file in the registry editor's export format (.reg).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/key_tree.h"
#include "quorvel/error.h"

namespace quorvel::platform {

using error_number::kInvalidFileFormat;

// Parses the bytes of a .reg file (UTF-8, or UTF-16LE when it starts with FF FE) into the keys below
// `root`, the full name of the predefined key the file describes (e.g. "HKEY_LOCAL_MACHINE"); key
// lines may also name it by its abbreviation (HKLM). `fileName` only names the file in messages.
// An empty file is an empty hive. A malformed file raises AutomationError(kInvalidFileFormat,
// "Invalid file format: <fileName> line <N>: <problem>"), N being the 1-based physical line at fault.
RegKey ParseRegFile(std::string_view bytes, std::string_view root, std::string_view fileName);

// The .reg text of the keys below `root`, which ParseRegFile reads back as the same tree: a version 5
// header, CR LF line ends, every key by its full path in tree order. Strings that can be written as
// text are; others (a line break, invalid UTF-8, no single terminating NUL) and every other type go
// as hex bytes. A key or value name that no line can hold (a line break, a NUL, invalid UTF-8)
// raises AutomationError 5.
std::string WriteRegFile(const RegKey& hive, std::string_view root);

}  // namespace quorvel::platform
