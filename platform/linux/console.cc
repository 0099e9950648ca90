#include "platform/console.h"

#include <unistd.h>

#include <cerrno>

namespace quorvel::platform {

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }

ReadAccess CheckReadAccess(const std::string& path) {
  if (::access(path.c_str(), R_OK) == 0) return ReadAccess::kReadable;
  return errno == EACCES ? ReadAccess::kNotPermitted : ReadAccess::kMissing;
}

}  // namespace quorvel::platform
