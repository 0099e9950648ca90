#include "platform/registry_operations.h"

#include <algorithm>
#include <cstring>

#include "platform/c_text.h"

namespace quorvel::platform::MRegistryOperations {

namespace {
constexpr const char* kRegQueryValueSource = "MRegistryOperations/RegQueryValue";
constexpr const char* kRegGetKeysSource = "MRegistryOperations/RegGetKeys";

[[noreturn]] void PassOnWithSource(const char* source) {
  const AutomationError error = CaughtAsAutomationError();
  throw AutomationError(error.number(), error.description(), source);
}

// The first count characters of text; a negative count is an invalid argument, as in the runtime.
std::string Left(const std::string& text, std::int64_t count) {
  if (count < 0) throw RuntimeError(error_number::kInvalidProcedureCall);
  return text.substr(0, static_cast<std::size_t>(count));
}

std::uint8_t* Bytes(std::string& buffer) { return reinterpret_cast<std::uint8_t*>(buffer.data()); }
}  // namespace

Variant RegQueryValue(Registry& registry, HKey root, const std::string& keyPath, const std::string& valueName) {
  try {
    // A failed open leaves no handle, and the read below then finds nothing.
    HKey key = 0;
    registry.RegOpenKeyExA(root, keyPath, 0, kQueryValueAccess, key);
    Variant value;
    QueryValueEx(registry, key, valueName, value);
    registry.RegCloseKey(key);
    return value;
  } catch (...) {
    PassOnWithSource(kRegQueryValueSource);
  }
}

RegStatus QueryValueEx(Registry& registry, HKey key, const std::string& valueName, Variant& value) {
  RegStatus status = reg_status::kSuccess;
  try {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    status = registry.RegQueryValueExA(key, valueName, &type, nullptr, size);
    if (status != reg_status::kSuccess) return status;
    switch (type) {
      case reg_type::kString: {
        std::string buffer(size, '\0');
        status = registry.RegQueryValueExA(key, valueName, &type, Bytes(buffer), size);
        // The data without its terminating NUL; a value stored with size 0 fails here and stays as it was.
        value = status == reg_status::kSuccess ? Variant(Left(buffer, std::int64_t{size} - 1)) : Variant();
        break;
      }
      case reg_type::kDword: {
        std::int32_t number = 0;
        std::uint32_t number_size = std::min<std::uint32_t>(size, sizeof number);
        status =
            registry.RegQueryValueExA(key, valueName, &type, reinterpret_cast<std::uint8_t*>(&number), number_size);
        if (status == reg_status::kSuccess) value = number;
        break;
      }
      default: status = kUnsupportedType;
    }
  } catch (...) {
    // A failure ends the read with the status last stored and the value as it stood.
  }
  return status;
}

bool RegGetKeys(Registry& registry, HKey root, const std::string& keyPath, StringArray& subkeys) {
  try {
    HKey key = 0;
    registry.RegOpenKeyA(root, keyPath, key);
    subkeys.ReDim(0, kSubkeyListGrowth);
    std::int32_t index = 0;
    std::string buffer;  // one allocation for the whole walk
    for (;; ++index) {
      buffer.assign(kSubkeyNameBufferSize, '\0');
      std::uint32_t size = kSubkeyNameBufferSize;
      if (registry.RegEnumKeyExA(key, static_cast<std::uint32_t>(index), buffer, size) != reg_status::kSuccess) {
        break;
      }
      if (index > subkeys.UBound()) subkeys.ReDimPreserve(index + kSubkeyListGrowth);
      subkeys[index] = TextBeforeNul(buffer);
    }
    registry.RegCloseKey(key);
    const std::int32_t count = index;
    if (count > 0) {
      subkeys.ReDimPreserve(count - 1);
      return true;
    }
    subkeys.ReDim(0, 0);
    return false;
  } catch (...) {
    PassOnWithSource(kRegGetKeysSource);
  }
}

}  // namespace quorvel::platform::MRegistryOperations
