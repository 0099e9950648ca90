// Shell-open seam: hands a URL to the desktop's handler for it, without waiting for the handler.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::platform {

// Answers as ShellExecuteA does: above 32 when the handler was started, 32 or below when not.
namespace shell_answer {
inline constexpr std::intptr_t kStarted = 42;
inline constexpr std::intptr_t kFileNotFound = 2;    // the handler could not be started
inline constexpr std::intptr_t kOutOfResources = 8;  // the URL is longer than one argument may be
inline constexpr std::intptr_t kNoAssociation = 31;  // no handler for the URL's scheme
}  // namespace shell_answer

// What opening a URL for the user came to: the shell's answer, and the exit status of a handler that
// was started but ended with a failure at once.
struct Opening {
  std::intptr_t answer = 0;
  std::optional<int> failed_with{};
};

class Shell {
 public:
  virtual ~Shell() = default;
  // operation is "open"; file is the URL, handed over unchanged.
  virtual std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) = 0;
  // Opens the URL as ShellExecuteA("open", url) does, then watches the handler for its first moments
  // where the system lets it; a shell that cannot watch answers no failure.
  virtual Opening OpenWatched(const std::string& url) { return {ShellExecuteA("open", url), std::nullopt}; }
};

}  // namespace quorvel::platform
