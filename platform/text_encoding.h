// Unicode text as the platform reads it: UTF-8 everywhere, UTF-16 only in hive files that say so.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform {

// The offset of the first byte that is not part of valid UTF-8 (a NUL counts as invalid), or npos.
std::size_t InvalidUtf8Offset(std::string_view text);
inline bool IsValidUtf8(std::string_view text) { return InvalidUtf8Offset(text) == std::string_view::npos; }

// Characters (Unicode code points) of UTF-8 text; text that is not valid UTF-8 counts its bytes.
std::size_t Utf8Characters(std::string_view text);

// The UTF-8 form of UTF-16 units, up to the first NUL unit; unitsRead is how many units that took.
// Nothing on an unpaired surrogate, unitsRead then being where it stands.
std::optional<std::string> Utf16ToUtf8(std::u16string_view units, std::size_t& unitsRead);

}  // namespace quorvel::platform
