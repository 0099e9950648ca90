// Registry seam: the five registry calls the library makes, with the statuses and buffer rules of
// the Windows ANSI functions of the same names. Text crosses as UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::platform {

using HKey = std::uintptr_t;
using RegStatus = std::int32_t;

inline constexpr HKey kHkeyCurrentUser = 0x80000001;
inline constexpr HKey kHkeyLocalMachine = 0x80000002;

namespace reg_status {
inline constexpr RegStatus kSuccess = 0;
inline constexpr RegStatus kFileNotFound = 2;
inline constexpr RegStatus kAccessDenied = 5;
inline constexpr RegStatus kInvalidHandle = 6;
inline constexpr RegStatus kMoreData = 234;
inline constexpr RegStatus kNoMoreItems = 259;
}  // namespace reg_status

namespace reg_type {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kString = 1;
inline constexpr std::uint32_t kExpandString = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiString = 7;
}  // namespace reg_type

namespace reg_access {
inline constexpr std::uint32_t kQueryValue = 0x1;
inline constexpr std::uint32_t kSetValue = 0x2;
inline constexpr std::uint32_t kCreateSubKey = 0x4;
inline constexpr std::uint32_t kEnumerateSubKeys = 0x8;
inline constexpr std::uint32_t kNotify = 0x10;
inline constexpr std::uint32_t kCreateLink = 0x20;
inline constexpr std::uint32_t kReadControl = 0x20000;
inline constexpr std::uint32_t kRead = kReadControl | kQueryValue | kEnumerateSubKeys | kNotify;
inline constexpr std::uint32_t kAll = 0xF003F;
}  // namespace reg_access

// A registry call either answers with a status or, when the store itself cannot be read (a malformed
// hive file), raises an AutomationError that names what is wrong.
class Registry {
 public:
  virtual ~Registry() = default;

  virtual RegStatus RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                                  HKey& result) = 0;
  // Opens with whatever rights the key grants.
  virtual RegStatus RegOpenKeyA(HKey root, const std::string& subKey, HKey& result) = 0;
  // nameSize: in, the buffer's capacity in characters including the terminating NUL; out, the name's
  // length in characters. The name and its NUL are written over the start of nameBuffer.
  // kMoreData when the name and its NUL do not fit, kNoMoreItems past the last subkey.
  virtual RegStatus RegEnumKeyExA(HKey key, std::uint32_t index, std::string& nameBuffer, std::uint32_t& nameSize) = 0;
  // With data null only the type and the size in bytes are reported; otherwise dataSize is the
  // buffer's size in bytes and kMoreData answers a buffer too small.
  virtual RegStatus RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t& dataSize) = 0;
  virtual RegStatus RegCloseKey(HKey key) = 0;
};

}  // namespace quorvel::platform
