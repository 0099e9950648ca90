#include "platform/file_system.h"

#include "platform/path_error.h"

namespace quorvel::platform {

std::string LastPathComponent(std::string_view path, std::string_view separators) {
  while (!path.empty() && separators.find(path.back()) != std::string_view::npos) path.remove_suffix(1);
  const std::size_t separator = path.find_last_of(separators);
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

void CheckTextFileRequest(const std::string& path, int ioMode, int format) {
  const bool formatKnown = format == text_format::kAscii || format == text_format::kSystemDefault;
  const bool modeKnown = ioMode == io_mode::kForWriting || ioMode == io_mode::kForAppending;
  if (!formatKnown || !modeKnown || path.find('\0') != std::string::npos) {
    throw PathError(error_number::kInvalidProcedureCall, path);
  }
}

}  // namespace quorvel::platform
