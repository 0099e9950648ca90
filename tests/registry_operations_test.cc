#include "platform/registry_operations.h"

#include <gtest/gtest.h>

#include "tests/doubles/fake_registry.h"

namespace quorvel::platform {
namespace {

using testing::DwordValue;
using testing::FakeRegistry;
using testing::StringValue;
namespace ops = MRegistryOperations;

constexpr const char* kKey = "Software\\Clients\\Mail";

TEST(RegQueryValue, EachKindOfValue) {
  struct Case {
    const char* name;
    RegValue stored;
    Variant expected;
  };
  const Case cases[] = {
      {"with NUL", StringValue("abc"), Variant("abc")},
      {"without NUL", {reg_type::kString, {'a', 'b', 'c'}}, Variant("ab")},
      {"size 0", {reg_type::kString, {}}, Variant()},
      {"empty text", StringValue(""), Variant("")},
      {"dword", DwordValue(-7), Variant(std::int32_t{-7})},
      {"expandable", {reg_type::kExpandString, {'%', 'x', '%', 0}}, Variant()},
      {"binary empty", {reg_type::kBinary, {}}, Variant()},
      {"", StringValue("Mozilla Thunderbird"), Variant("Mozilla Thunderbird")},
  };
  FakeRegistry registry;
  for (const auto& c : cases) registry.Keys(kHkeyLocalMachine).FindOrCreate(kKey).SetValue(c.name, c.stored);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant value = ops::RegQueryValue(registry, kHkeyLocalMachine, kKey, c.name);
    EXPECT_EQ(TypeName(value), TypeName(c.expected));
    EXPECT_EQ(value, c.expected);
  }
}

TEST(RegQueryValue, NothingThereOrRefusedIsEmpty) {
  FakeRegistry registry;
  registry.Keys(kHkeyLocalMachine).FindOrCreate(kKey).SetValue("", StringValue("Eudora"));
  EXPECT_TRUE(ops::RegQueryValue(registry, kHkeyLocalMachine, kKey, "absent").Is<Variant::Empty>());
  EXPECT_TRUE(ops::RegQueryValue(registry, kHkeyLocalMachine, "Software\\Absent", "").Is<Variant::Empty>());
  registry.Grant(kHkeyLocalMachine, reg_access::kRead);
  EXPECT_TRUE(ops::RegQueryValue(registry, kHkeyLocalMachine, kKey, "").Is<Variant::Empty>());
}

TEST(QueryValueEx, StatusesAndUnchangedValues) {
  FakeRegistry registry;
  auto& key = registry.Keys(kHkeyLocalMachine).FindOrCreate(kKey);
  key.SetValue("empty", {reg_type::kString, {}});
  key.SetValue("binary", {reg_type::kBinary, {1, 2}});
  HKey handle = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHkeyLocalMachine, kKey, handle), 0);
  Variant value("before");
  EXPECT_EQ(ops::QueryValueEx(registry, handle, "empty", value), 0);
  EXPECT_EQ(value, Variant("before"));
  EXPECT_EQ(ops::QueryValueEx(registry, handle, "binary", value), ops::kUnsupportedType);
  EXPECT_EQ(ops::QueryValueEx(registry, handle, "absent", value), reg_status::kFileNotFound);
  EXPECT_EQ(value, Variant("before"));
}

std::string ClientName(int index) {
  std::string number = std::to_string(index);
  return "Client " + std::string(3 - std::min<std::size_t>(3, number.size()), '0') + number;
}

TEST(RegGetKeys, ListsGrowsAndShrinks) {
  struct Case {
    int subkeys;
    bool answer;
    std::int32_t upper_bound;
    std::vector<std::int32_t> bounds_seen;  // the list's upper bound each time it had grown
  };
  const Case cases[] = {
      {250, true, 249, {100, 201, 302}},
      {101, true, 100, {100}},
      {1, true, 0, {100}},
      {0, false, 0, {100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subkeys);
    FakeRegistry registry;
    auto& mail = registry.Keys(kHkeyLocalMachine).FindOrCreate(kKey);
    for (int i = 0; i < c.subkeys; ++i) mail.FindOrCreate(ClientName(i));
    StringArray list(5, {"earlier", "contents"});
    std::vector<std::int32_t> bounds_seen;
    registry.on_enumerate = [&](std::uint32_t) {
      if (bounds_seen.empty() || bounds_seen.back() != list.UBound()) bounds_seen.push_back(list.UBound());
    };
    EXPECT_EQ(ops::RegGetKeys(registry, kHkeyLocalMachine, kKey, list), c.answer);
    EXPECT_EQ(list.LBound(), 0);
    EXPECT_EQ(list.UBound(), c.upper_bound);
    EXPECT_EQ(bounds_seen, c.bounds_seen);
    EXPECT_EQ(list[0], c.subkeys ? ClientName(0) : "");
    if (c.subkeys) {
      EXPECT_EQ(list[c.upper_bound], ClientName(c.subkeys - 1));
    }
  }
}

TEST(RegGetKeys, ANameOf255CharactersEndsTheListing) {
  FakeRegistry registry;
  auto& mail = registry.Keys(kHkeyLocalMachine).FindOrCreate(kKey);
  mail.FindOrCreate("A" + std::string(253, 'x'));  // 254 characters: fits with its NUL
  mail.FindOrCreate("B" + std::string(254, 'x'));  // 255: does not
  mail.FindOrCreate("C");
  StringArray list;
  EXPECT_TRUE(ops::RegGetKeys(registry, kHkeyLocalMachine, kKey, list));
  EXPECT_EQ(list.UBound(), 0);
  EXPECT_EQ(list[0].size(), 254u);
}

TEST(RegGetKeys, MissingKeyGivesOneEmptyEntry) {
  FakeRegistry registry;
  StringArray list(0, {"stale"});
  EXPECT_FALSE(ops::RegGetKeys(registry, kHkeyLocalMachine, kKey, list));
  EXPECT_EQ(list, StringArray(0, {""}));
}

TEST(RegistryOperations, ErrorsArePassedOnWithTheModuleSource) {
  FakeRegistry registry;
  registry.FailOpens(kHkeyLocalMachine, AutomationError(321, "Invalid file format: m.reg line 3: bad hex data"));
  StringArray list(0, {"kept"});
  try {
    ops::RegGetKeys(registry, kHkeyLocalMachine, kKey, list);
    ADD_FAILURE() << "RegGetKeys answered";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), 321);
    EXPECT_EQ(error.description(), "Invalid file format: m.reg line 3: bad hex data");
    EXPECT_EQ(error.source(), "MRegistryOperations/RegGetKeys");
  }
  EXPECT_EQ(list, StringArray(0, {"kept"}));
  try {
    ops::RegQueryValue(registry, kHkeyLocalMachine, kKey, "");
    ADD_FAILURE() << "RegQueryValue answered";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.source(), "MRegistryOperations/RegQueryValue");
  }
}

TEST(TrimAtNull, CutsAtTheFirstNul) {
  EXPECT_EQ(ops::TrimAtNull(std::string("abc\0def", 7)), "abc");
  EXPECT_EQ(ops::TrimAtNull("abc"), "abc");
  EXPECT_EQ(ops::TrimAtNull(std::string(3, '\0')), "");
}

}  // namespace
}  // namespace quorvel::platform
