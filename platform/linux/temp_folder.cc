#include "platform/system_temp_folder.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/linux/unique_fd.h"
#include "platform/text_encoding.h"

namespace quorvel::platform {

namespace {

constexpr std::string_view kDefaultFolder = "/tmp";
constexpr std::size_t kPrefixCharacters = 3;
constexpr std::string_view kExtension = ".tmp";
constexpr std::size_t kUniqueDigits = 8;  // the number in hex, zero-padded so every name is as long
// Each attempt draws a fresh random number, so running out means something keeps taking the names.
constexpr int kAttempts = 100;

// Per thread, as the system's last error is.
thread_local std::string last_failure;

// Records why no name was made and answers the failure's 0.
std::uint32_t Failed(std::string reason) {
  last_failure = std::move(reason);
  return 0;
}

std::uint32_t FailedToCreate(const std::string& folder, int error) {
  return Failed("cannot create a file in " + folder + ": " + g_strerror(error));
}

void WriteOver(std::string& buffer, const std::string& text) {
  buffer.replace(0, std::min(buffer.size(), text.size() + 1), text + '\0');
}

// The part of a prefix a name takes, or nullopt when the prefix cannot be part of a file name.
std::optional<std::string> NamePrefix(const std::string& prefix) {
  if (prefix.find_first_of(std::string_view("/\0", 2)) != std::string::npos) return std::nullopt;
  if (!IsValidUtf8(prefix)) return std::nullopt;
  const auto characters = static_cast<glong>(std::min(Utf8Characters(prefix), kPrefixCharacters));
  const char* end = g_utf8_offset_to_pointer(prefix.data(), characters);
  return prefix.substr(0, static_cast<std::size_t>(end - prefix.data()));
}

std::string UniquePart(std::uint32_t number) {
  char digits[kUniqueDigits + 1];
  std::snprintf(digits, sizeof digits, "%08X", number);
  return digits;
}

}  // namespace

std::uint32_t SystemTempFolder::GetTempPathA(std::uint32_t bufferLength, std::string& buffer) {
  const char* configured = std::getenv("TMPDIR");
  std::string folder = configured && configured[0] == '/' ? configured : std::string(kDefaultFolder);
  if (!folder.ends_with('/')) folder += '/';
  const auto length = static_cast<std::uint32_t>(Utf8Characters(folder));
  if (length + 1 > bufferLength) return length + 1;
  WriteOver(buffer, folder);
  return length;
}

std::uint32_t SystemTempFolder::GetTempFileNameA(const std::string& pathName, const std::string& prefix,
                                                 std::uint32_t unique, std::string& buffer) {
  const auto name_prefix = NamePrefix(prefix);
  if (!name_prefix) return Failed("the prefix \"" + prefix + "\" cannot begin a file name");
  if (pathName.empty() || pathName.find('\0') != std::string::npos) return Failed("no temporary folder was given");
  const std::string stem = pathName + (pathName.ends_with('/') ? "" : "/") + *name_prefix;
  if (Utf8Characters(stem) + kUniqueDigits + kExtension.size() + 1 > kMaxPath) {
    return Failed("a file name in " + pathName + " would pass " + std::to_string(kMaxPath - 1) + " characters");
  }

  if (unique != 0) {
    WriteOver(buffer, stem + UniquePart(unique) + std::string(kExtension));
    return unique;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const std::uint32_t number = NextUniqueNumber();
    if (number == 0) continue;  // 0 answers a failure
    const std::string path = stem + UniquePart(number) + std::string(kExtension);
    // O_EXCL also fails on a symbolic link, dangling or not, so a planted one is never followed.
    UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid()) {
      if (errno == EEXIST) continue;
      return FailedToCreate(pathName, errno);
    }
    // The mode is 0600 whatever the umask left of it.
    const int error = ::fchmod(file.get(), 0600) != 0 ? errno : file.Close();
    if (error != 0) {
      ::unlink(path.c_str());
      return FailedToCreate(pathName, error);
    }
    WriteOver(buffer, path);
    return number;
  }
  return Failed("every name tried in " + pathName + " was taken");
}

std::string SystemTempFolder::LastFailure() const { return last_failure; }

std::uint32_t SystemTempFolder::NextUniqueNumber() { return g_random_int(); }

}  // namespace quorvel::platform
