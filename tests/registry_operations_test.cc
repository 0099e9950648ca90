#include "platform/registry_operations.h"

#include <gtest/gtest.h>

#include "tests/doubles/fake_registry.h"

namespace quorvel::platform {
namespace {

using testing::FakeRegistry;
namespace ops = MRegistryOperations;

constexpr const char* kKey = "Software\\Clients\\Mail";

RegKey& MailKey(FakeRegistry& registry) { return registry.Keys(kHkeyLocalMachine).FindOrCreate(kKey); }

TEST(RegQueryValue, EachKindOfValueAndQueryValueExStatuses) {
  const struct {
    const char* name;
    std::optional<RegValue> stored;
    Variant expected;
    RegStatus status;
  } cases[] = {
      {"with NUL", testing::StringValue("abc"), Variant("abc"), 0},
      {"without NUL", RegValue{reg_type::kString, {'a', 'b', 'c'}}, Variant("ab"), 0},
      {"size 0", RegValue{reg_type::kString, {}}, Variant(), 0},
      {"empty text", testing::StringValue(""), Variant(""), 0},
      {"dword", testing::DwordValue(-7), Variant(std::int32_t{-7}), 0},
      {"expandable", RegValue{reg_type::kExpandString, {'%', 'x', '%', 0}}, Variant(), ops::kUnsupportedType},
      {"binary empty", RegValue{reg_type::kBinary, {}}, Variant(), ops::kUnsupportedType},
      {"", testing::StringValue("Mozilla Thunderbird"), Variant("Mozilla Thunderbird"), 0},
      {"absent", std::nullopt, Variant(), reg_status::kFileNotFound},
  };
  FakeRegistry registry;
  for (const auto& c : cases) {
    if (c.stored) MailKey(registry).SetValue(c.name, *c.stored);
  }
  HKey handle = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHkeyLocalMachine, kKey, handle), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant value = ops::RegQueryValue(registry, kHkeyLocalMachine, kKey, c.name);
    EXPECT_EQ(value, c.expected) << "a " << TypeName(value);
    // Read directly, a value that gives nothing leaves the caller's variable as it stood.
    Variant direct("before");
    EXPECT_EQ(ops::QueryValueEx(registry, handle, c.name, direct), c.status);
    EXPECT_EQ(direct, c.expected.Is<Variant::Empty>() ? Variant("before") : c.expected);
  }
  EXPECT_TRUE(ops::RegQueryValue(registry, kHkeyLocalMachine, "Software\\Absent", "").Is<Variant::Empty>());
  registry.Grant(kHkeyLocalMachine, reg_access::kRead);
  EXPECT_TRUE(ops::RegQueryValue(registry, kHkeyLocalMachine, kKey, "").Is<Variant::Empty>()) << "access refused";
}

}  // namespace
}  // namespace quorvel::platform
