#include "platform/system_temp_folder.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string_view>

#include "platform/text_encoding.h"
#include "platform/windows/unique_handle.h"
#include "platform/windows/wide_text.h"

namespace quorvel::platform {

namespace {

constexpr std::size_t kPrefixUnits = 3;
// GetTempFileNameW takes only the low 16 bits of a number.
constexpr std::uint32_t kUniqueMask = 0xFFFF;
// Each attempt draws a fresh random number, so running out means something keeps taking the names.
constexpr int kAttempts = 100;

// Per thread, as the system's last error is.
thread_local std::string last_failure;

// Records why no name was made and answers the failure's 0.
std::uint32_t Failed(std::string reason) {
  last_failure = std::move(reason);
  return 0;
}

std::uint32_t FailedToCreate(const std::string& folder, DWORD error) {
  return Failed("cannot create a file in " + folder + ": " + SystemErrorText(error));
}

std::uint32_t FailedToName(const std::string& folder, DWORD error) {
  return Failed("no file name can be made in " + folder + ": " + SystemErrorText(error));
}

void WriteOver(std::string& buffer, const std::string& text) {
  buffer.replace(0, std::min(buffer.size(), text.size() + 1), text + '\0');
}

// GetTempFileNameW takes three UTF-16 units of the prefix; a character it would cut in two is left out.
std::wstring NamePrefix(std::wstring prefix) {
  std::size_t units = std::min(prefix.size(), kPrefixUnits);
  if (units == kPrefixUnits && units < prefix.size() && IS_HIGH_SURROGATE(prefix[units - 1])) --units;
  prefix.resize(units);
  return prefix;
}

}  // namespace

std::uint32_t SystemTempFolder::GetTempPathA(std::uint32_t bufferLength, std::string& buffer) {
  std::wstring folder(MAX_PATH + 1, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length > folder.size()) {
    folder.resize(length);
    length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  }
  if (length == 0 || length > folder.size()) return 0;
  folder.resize(length);
  const std::string path = Narrow(folder);
  const auto characters = static_cast<std::uint32_t>(Utf8Characters(path));
  if (characters + 1 > bufferLength) return characters + 1;
  WriteOver(buffer, path);
  return characters;
}

std::uint32_t SystemTempFolder::GetTempFileNameA(const std::string& pathName, const std::string& prefix,
                                                 std::uint32_t unique, std::string& buffer) {
  if (prefix.find_first_of(std::string_view("\\/\0", 3)) != std::string::npos || !IsValidUtf8(prefix)) {
    return Failed("the prefix \"" + prefix + "\" cannot begin a file name");
  }
  if (pathName.empty() || pathName.find('\0') != std::string::npos) return Failed("no temporary folder was given");
  const std::wstring folder = Widen(pathName), name_prefix = NamePrefix(Widen(prefix));

  // Answers the name made from the number, or nothing when GetTempFileNameW made none.
  const auto name_for = [&](std::uint32_t number) -> std::optional<std::wstring> {
    std::wstring name(MAX_PATH, L'\0');
    if (GetTempFileNameW(folder.c_str(), name_prefix.c_str(), number, name.data()) == 0) return std::nullopt;
    name.resize(name.find(L'\0'));
    return name;
  };
  if (unique != 0) {
    const auto name = name_for(unique);
    if (!name) return FailedToName(pathName, GetLastError());
    WriteOver(buffer, Narrow(*name));
    return unique;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const std::uint32_t number = NextUniqueNumber() & kUniqueMask;
    if (number == 0) continue;  // 0 would have GetTempFileNameW pick a name itself
    const auto name = name_for(number);
    if (!name) return FailedToName(pathName, GetLastError());
    // The link itself is what CREATE_NEW meets, so a planted one, dangling or not, takes the name.
    UniqueHandle file(CreateFileW(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return FailedToCreate(pathName, error);
    }
    if (!file.Close()) {
      const DWORD error = GetLastError();
      DeleteFileW(name->c_str());
      return FailedToCreate(pathName, error);
    }
    WriteOver(buffer, Narrow(*name));
    return number;
  }
  return Failed("every name tried in " + pathName + " was taken");
}

std::string SystemTempFolder::LastFailure() const { return last_failure; }

std::uint32_t SystemTempFolder::NextUniqueNumber() { return std::random_device()(); }

}  // namespace quorvel::platform
