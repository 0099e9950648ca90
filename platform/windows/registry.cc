#include "platform/windows/registry.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "platform/text_encoding.h"
#include "platform/windows/wide_text.h"

namespace quorvel::platform {

namespace {

static_assert(sizeof(HKey) >= sizeof(HKEY), "a handle must fit the seam's key");

// A key name is at most 255 UTF-16 units long.
constexpr DWORD kMaxKeyNameUnits = 255;

// The seam writes the predefined roots as their 32-bit values; 64-bit Windows' own are those sign-extended.
HKEY ToHkey(HKey key) {
  if (key == kHkeyCurrentUser) return HKEY_CURRENT_USER;
  if (key == kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(key);
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

RegStatus Open(HKey root, const std::string& subKey, DWORD options, REGSAM access, HKey& result) {
  HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(ToHkey(root), Widen(subKey).c_str(), options, access, &opened);
  result = status == ERROR_SUCCESS ? reinterpret_cast<HKey>(opened) : 0;
  return status;
}

// The value's type and data as stored; read again when it grew between asking its size and reading it.
LSTATUS ReadValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
  for (;;) {
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    data.resize(size);
    status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) continue;
    data.resize(size);
    return status;
  }
}

// Text data in UTF-8, with whatever NULs the stored UTF-16 holds.
std::vector<BYTE> TextAsUtf8(const std::vector<BYTE>& utf16) {
  std::wstring units(utf16.size() / sizeof(wchar_t), L'\0');
  std::memcpy(units.data(), utf16.data(), units.size() * sizeof(wchar_t));
  const std::string utf8 = Narrow(units);
  return {utf8.begin(), utf8.end()};
}

}  // namespace

RegStatus SystemRegistry::RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options,
                                        std::uint32_t access, HKey& result) {
  return Open(root, subKey, options, access, result);
}

RegStatus SystemRegistry::RegOpenKeyA(HKey root, const std::string& subKey, HKey& result) {
  const RegStatus status = Open(root, subKey, 0, KEY_ALL_ACCESS, result);
  if (status != ERROR_ACCESS_DENIED) return status;
  return Open(root, subKey, 0, KEY_READ, result);
}

RegStatus SystemRegistry::RegEnumKeyExA(HKey key, std::uint32_t index, std::string& nameBuffer,
                                        std::uint32_t& nameSize) {
  wchar_t name[kMaxKeyNameUnits + 1];
  DWORD units = std::size(name);
  const LSTATUS status = ::RegEnumKeyExW(ToHkey(key), index, name, &units, nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const std::string utf8 = Narrow({name, units});
  const auto characters = static_cast<std::uint32_t>(Utf8Characters(utf8));
  if (characters >= nameSize) return reg_status::kMoreData;
  nameBuffer.replace(0, std::min(nameBuffer.size(), utf8.size() + 1), utf8 + '\0');
  nameSize = characters;
  return reg_status::kSuccess;
}

RegStatus SystemRegistry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                           std::uint8_t* data, std::uint32_t& dataSize) {
  DWORD stored_type = REG_NONE;
  std::vector<BYTE> stored;
  const LSTATUS status = ReadValue(ToHkey(key), Widen(valueName), stored_type, stored);
  if (status != ERROR_SUCCESS) return status;
  if (IsText(stored_type)) stored = TextAsUtf8(stored);
  if (type) *type = stored_type;
  const auto size = static_cast<std::uint32_t>(stored.size());
  if (data) {
    if (dataSize < size) {
      dataSize = size;
      return reg_status::kMoreData;
    }
    std::copy(stored.begin(), stored.end(), data);
  }
  dataSize = size;
  return reg_status::kSuccess;
}

RegStatus SystemRegistry::RegCloseKey(HKey key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace quorvel::platform
