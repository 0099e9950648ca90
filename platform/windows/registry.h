// The registry on Windows: the system's own, through the UTF-16 functions, with the seam's units. Key
// names cross as UTF-8 counted in characters, string data as UTF-8 sized in bytes with the NULs the
// stored data holds; other data crosses as stored. Handles are the system's own keys.
#pragma once

#include "platform/registry.h"

namespace quorvel::platform {

class SystemRegistry : public Registry {
 public:
  RegStatus RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                          HKey& result) override;
  // All rights when the key grants them, else read rights.
  RegStatus RegOpenKeyA(HKey root, const std::string& subKey, HKey& result) override;
  RegStatus RegEnumKeyExA(HKey key, std::uint32_t index, std::string& nameBuffer, std::uint32_t& nameSize) override;
  RegStatus RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t& dataSize) override;
  RegStatus RegCloseKey(HKey key) override;
};

}  // namespace quorvel::platform
