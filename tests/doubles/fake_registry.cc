#include "tests/doubles/fake_registry.h"

namespace quorvel::testing {

std::optional<platform::TreeRegistry::Hive> FakeRegistry::LoadHive(platform::HKey root) {
  const auto found = hives_.find(root);
  if (found == hives_.end()) return Hive{std::make_shared<const platform::RegKey>(), platform::reg_access::kAll};
  if (found->second.failure) throw *found->second.failure;
  return Hive{std::make_shared<const platform::RegKey>(found->second.keys), found->second.granted};
}

}  // namespace quorvel::testing
