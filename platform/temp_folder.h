// Temp-folder seam: the folder for temporary files, and new uniquely named files in it, with the
// buffer rules of the Windows ANSI functions of the same names. Text crosses as UTF-8 and lengths
// count characters (Unicode code points).
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::platform {

// The longest path, in characters with its terminating NUL, that a temp file name may have.
inline constexpr std::uint32_t kMaxPath = 260;

class TempFolder {
 public:
  virtual ~TempFolder() = default;

  // When the folder's path (ending with the separator) and its NUL fit in bufferLength characters,
  // writes them over the start of buffer and answers the path's length; otherwise leaves buffer
  // untouched and answers the length needed, NUL included.
  virtual std::uint32_t GetTempPathA(std::uint32_t bufferLength, std::string& buffer) = 0;

  // With unique 0, creates a new empty file in the folder pathName under a name not yet taken, made
  // of the prefix's first three characters, a unique part and ".tmp"; with another unique, only
  // makes the name from that number. Writes the full path and a NUL over the start of buffer (kMaxPath
  // characters) and answers the nonzero number the name was made from. On failure leaves buffer
  // untouched and answers 0.
  virtual std::uint32_t GetTempFileNameA(const std::string& pathName, const std::string& prefix, std::uint32_t unique,
                                         std::string& buffer) = 0;

  // Why the last GetTempFileNameA on this thread answered 0 ("cannot create a file in /x/: Permission
  // denied"), as the system's last error tells it; meaningless after a success.
  virtual std::string LastFailure() const = 0;
};

}  // namespace quorvel::platform
