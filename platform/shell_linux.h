// Opens a URL with the desktop's default application for its scheme, found and launched with GIO:
// the URL is its one argument, byte for byte; standard streams on /dev/null; never waited for.
#pragma once

#include <cstddef>

#include "platform/shell.h"

namespace quorvel::platform {

// The kernel's limit on one argument, without its terminating NUL.
inline constexpr std::size_t kLargestArgument = 131071;

class DesktopShell : public Shell {
 public:
  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override;
};

}  // namespace quorvel::platform
