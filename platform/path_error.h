// The error for a file or folder the platform could not use.
#pragma once

#include <cstdint>
#include <string>

#include "quorvel/error.h"

namespace quorvel::platform {

// The runtime's error with its standard text, the path and, when given, the reason:
// "Path/File access error: /home/ann/.config/quorvel/user.reg: Permission denied".
AutomationError PathError(std::int32_t number, const std::string& path, const std::string& reason = {});

// 75 "Path/File access error" for the path, with the reason.
[[noreturn]] void RaiseAccessError(const std::string& path, const std::string& reason);

}  // namespace quorvel::platform
