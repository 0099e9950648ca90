#include "platform/path_error.h"

namespace quorvel::platform {

AutomationError PathError(std::int32_t number, const std::string& path, const std::string& reason) {
  return RuntimeError(number, reason.empty() ? path : path + ": " + reason);
}

void RaiseAccessError(const std::string& path, const std::string& reason) {
  throw PathError(error_number::kPathFileAccessError, path, reason);
}

}  // namespace quorvel::platform
