#include "tests/doubles/fake_registry.h"

#include <cstring>

namespace quorvel::testing {

std::optional<platform::TreeRegistry::Hive> FakeRegistry::LoadHive(platform::HKey root) {
  const auto found = hives_.find(root);
  if (found == hives_.end()) return Hive{std::make_shared<const platform::RegKey>(), platform::reg_access::kAll};
  if (found->second.failure) throw *found->second.failure;
  return Hive{std::make_shared<const platform::RegKey>(found->second.keys), found->second.granted};
}

platform::RegValue StringValue(std::string_view text) {
  platform::RegValue value{platform::reg_type::kString, {text.begin(), text.end()}};
  value.data.push_back(0);
  return value;
}

platform::RegValue DwordValue(std::int32_t number) {
  platform::RegValue value{platform::reg_type::kDword, std::vector<std::uint8_t>(sizeof number)};
  std::memcpy(value.data.data(), &number, sizeof number);
  return value;
}

}  // namespace quorvel::testing
