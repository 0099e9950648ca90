// Reads and writes a hive kept as a text file in the registry editor's export format (.reg).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/key_tree.h"
#include "quorvel/error.h"

namespace quorvel::platform {

using error_number::kInvalidFileFormat;

// The largest hive file the reader takes; the writer refuses to make a larger one.
inline constexpr std::size_t kMaxHiveFileSize = std::size_t{64} * 1024 * 1024;

// Parses the bytes of a .reg file (UTF-8, or UTF-16LE when it starts with FF FE) into the keys below
// `root`, the full name of the predefined key the file describes (e.g. "HKEY_LOCAL_MACHINE"); key
// lines may also name it by its abbreviation (HKLM). `fileName` only names the file in messages.
// String data given as hex (types 1, 2 and 7) is UTF-16LE under the version 5 header, converted to
// UTF-8, and bytes as they are under REGEDIT4. An empty file is an empty hive. A malformed file (keys
// nested deeper than kMaxKeyDepth, a name holding a carriage return included) raises
// AutomationError(kInvalidFileFormat, "Invalid file format: <fileName> line <N>: <problem>"), N being
// the 1-based physical line at fault.
// The tree keeps the text it was read from (keys' names and values' data are views into it): this one
// copies the bytes first (UTF-8) or decodes them into a text of its own (UTF-16), and never changes them.
RegKey ParseRegFile(std::string_view bytes, std::string_view root, std::string_view fileName);
// The same, taking the bytes over rather than copying them, for a caller done with them (a file read).
RegKey ParseOwnedRegFile(std::string bytes, std::string_view root, std::string_view fileName);

// The .reg text of the keys below `root`, which ParseRegFile reads back as the same tree: CR LF line
// ends, each key by its full path in tree order, except keys that only hold subkeys, whose paths imply
// them. Strings that can be written as text are; others (a line break, invalid UTF-8, no single
// terminating NUL) and every other type go as hex bytes. The header is version 5, whose hex strings
// are UTF-16, unless such a string has no UTF-16 form (invalid UTF-8): then REGEDIT4, whose hex
// strings are bytes. Raises AutomationError 5 rather than write what the reader refuses: a key or
// value name that no line can hold (a line break, a NUL, invalid UTF-8), keys nested deeper than
// kMaxKeyDepth, or a text larger than kMaxHiveFileSize.
std::string WriteRegFile(const RegKey& hive, std::string_view root);

}  // namespace quorvel::platform
