#include "platform/windows_temp_folder.h"

#include <cstdint>
#include <string>

namespace quorvel::platform::MWindowsTempFolder {

namespace {
constexpr std::uint32_t kTempPathBufferLength = 100;

std::string BeforeFirstNul(const std::string& buffer) { return buffer.substr(0, buffer.find('\0')); }
}  // namespace

Variant GetWindowsTempFolder(TempFolder& folder) {
  std::string buffer(kTempPathBufferLength, '\0');
  folder.GetTempPathA(kTempPathBufferLength, buffer);
  std::string path = BeforeFirstNul(buffer);
  if (!path.ends_with(kPathSeparator)) path += kPathSeparator;
  return path;
}

Variant CreateTempFileName(TempFolder& folder, const Variant& prefix) {
  std::string buffer(kMaxPath, '\0');
  folder.GetTempFileNameA(TextForm(GetWindowsTempFolder(folder)), TextForm(prefix), 0, buffer);
  return BeforeFirstNul(buffer);
}

}  // namespace quorvel::platform::MWindowsTempFolder
