// An in-memory registry whose hives, rights and failures a test sets directly.
#pragma once

#include <map>
#include <optional>

#include "platform/tree_registry.h"
#include "quorvel/error.h"

namespace quorvel::testing {

class FakeRegistry : public platform::TreeRegistry {
 public:
  // The hive of a predefined root, created empty on first use.
  platform::RegKey& Keys(platform::HKey root) { return hives_[root].keys; }
  void Grant(platform::HKey root, std::uint32_t rights) { hives_[root].granted = rights; }
  // Every later open of that root raises the error, as an unreadable hive does.
  void FailOpens(platform::HKey root, AutomationError error) { hives_[root].failure = std::move(error); }

 protected:
  std::optional<Hive> LoadHive(platform::HKey root) override;

 private:
  struct FakeHive {
    platform::RegKey keys;
    std::uint32_t granted = platform::reg_access::kAll;
    std::optional<AutomationError> failure;
  };
  std::map<platform::HKey, FakeHive> hives_;
};

}  // namespace quorvel::testing
