#include "platform/console.h"

#include <unistd.h>

#include <cerrno>

namespace quorvel::platform {

// Linux hands arguments over as they were typed, in the user's (UTF-8) locale.
std::vector<std::string> PrepareConsole(int argc, char** argv) { return {argv, argv + argc}; }

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }

ReadAccess CheckReadAccess(const std::string& path) {
  if (::access(path.c_str(), R_OK) == 0) return ReadAccess::kReadable;
  return errno == EACCES ? ReadAccess::kNotPermitted : ReadAccess::kMissing;
}

}  // namespace quorvel::platform
