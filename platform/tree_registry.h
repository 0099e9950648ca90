// The registry calls answered from in-memory hives. Each open takes a snapshot of its hive, so a
// handle sees one consistent state however the hive changes afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/key_tree.h"
#include "platform/registry.h"

namespace quorvel::platform {

class TreeRegistry : public Registry {
 public:
  struct Hive {
    std::shared_ptr<const RegKey> root;
    std::uint32_t granted = reg_access::kAll;  // the rights an open of any key of this hive may ask for
    // A key path (backslash-separated, any case) at and below which opens are granted all rights
    // whatever `granted` says; empty for none.
    std::string fully_granted_path = {};
  };

  RegStatus RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                          HKey& result) override;
  RegStatus RegOpenKeyA(HKey root, const std::string& subKey, HKey& result) override;
  RegStatus RegEnumKeyExA(HKey key, std::uint32_t index, std::string& nameBuffer, std::uint32_t& nameSize) override;
  RegStatus RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t& dataSize) override;
  RegStatus RegCloseKey(HKey key) override;

 protected:
  // The hive behind a predefined root key, read afresh; nullopt for a root this registry does not
  // have. Raises when the hive exists but cannot be read.
  virtual std::optional<Hive> LoadHive(HKey root) = 0;

 private:
  struct OpenKey {
    std::shared_ptr<const RegKey> hive;  // keeps the snapshot alive
    const RegKey* key;                   // whose subkeys a listing reaches by index, one step each
  };
  RegStatus Open(HKey root, const std::string& subKey, std::optional<std::uint32_t> access, HKey& result);
  OpenKey* Lookup(HKey key);

  std::map<HKey, OpenKey> open_keys_;
  HKey next_handle_ = 1;
};

}  // namespace quorvel::platform
