// Shell-open seam: hands a URL to the desktop's handler for it, without waiting for the handler.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::platform {

// Answers as ShellExecuteA does: above 32 when the handler was started, 32 or below when not.
namespace shell_answer {
inline constexpr std::intptr_t kStarted = 42;
inline constexpr std::intptr_t kFileNotFound = 2;    // the handler could not be started
inline constexpr std::intptr_t kOutOfResources = 8;  // the URL is longer than one argument may be
inline constexpr std::intptr_t kNoAssociation = 31;  // no handler for the URL's scheme
}  // namespace shell_answer

class Shell {
 public:
  virtual ~Shell() = default;
  // operation is "open"; file is the URL, handed over unchanged.
  virtual std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) = 0;
};

}  // namespace quorvel::platform
