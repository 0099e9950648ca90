#include "platform/temp_file_names.h"

#include <cstdint>
#include <string>

#include "platform/c_text.h"

namespace quorvel::platform::MWindowsTempFolder {

namespace {
constexpr std::uint32_t kTempPathBufferLength = 100;

}  // namespace

Variant GetWindowsTempFolder(TempFolder& folder) {
  std::string buffer(kTempPathBufferLength, '\0');
  folder.GetTempPathA(kTempPathBufferLength, buffer);
  std::string path = TextBeforeNul(buffer);
  if (!path.ends_with(kPathSeparator)) path += kPathSeparator;
  return path;
}

Variant CreateTempFileName(TempFolder& folder, const Variant& prefix) {
  std::string buffer(kMaxPath, '\0');
  folder.GetTempFileNameA(TextForm(GetWindowsTempFolder(folder)), TextForm(prefix), 0, buffer);
  return TextBeforeNul(buffer);
}

}  // namespace quorvel::platform::MWindowsTempFolder
