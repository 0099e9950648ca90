// Text in the buffers of the C-style calls the platform seams answer: a text ends at its first NUL.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::platform {

inline std::string TextBeforeNul(std::string_view buffer) { return std::string(buffer.substr(0, buffer.find('\0'))); }

}  // namespace quorvel::platform
