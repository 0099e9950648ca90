#include "quorvel/variant.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

class Mailer : public AutomationObject {
 public:
  std::string ClassName() const override { return "MailItem"; }
};

TEST(Variant, TypeNameAndTextFormOfEveryKind) {
  struct Case {
    Variant value;
    const char* type_name;
    const char* text;
  };
  const Case cases[] = {
      {Variant(), "Empty", ""},
      {Variant::Null{}, "Null", ""},
      {Variant::Missing{}, "Error", ""},
      {Variant(true), "Boolean", "True"},
      {Variant(false), "Boolean", "False"},
      {std::int32_t{-42}, "Long", "-42"},
      {2.5, "Double", "2.5"},
      {"  a  ", "String", "  a  "},
      {StringArray(1, {"a"}), "String()", "String()"},
      {StringArray(), "String()", "String()"},
      {VariantArray(0, {Variant("a")}), "Variant()", "Variant()"},
      {Variant::Object(std::make_shared<Mailer>()), "MailItem", "MailItem"},
      {Variant::Object(), "Nothing", "Nothing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type_name);
    EXPECT_EQ(TypeName(c.value), c.type_name);
    EXPECT_EQ(TextForm(c.value), c.text);
  }
}

// An upper bound outside 32 bits would wrap and lose items unseen: such an array is never made.
TEST(Variant, ArraysWhoseUpperBoundLeaves32BitsAreRefused) {
  constexpr std::int32_t kMax = INT32_MAX, kMin = INT32_MIN;
  const struct {
    std::int32_t lower;
    std::size_t items;
    bool made;
  } cases[] = {{kMax - 1, 5, false}, {kMax, 2, false}, {kMin, 0, false},
               {kMax - 4, 5, true},  {kMax, 1, true},  {kMin, 1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lower) + " + " + std::to_string(c.items));
    try {
      const StringArray list(c.lower, std::vector<std::string>(c.items, "x"));
      EXPECT_TRUE(c.made);
      EXPECT_EQ(std::int64_t{list.UBound()} - list.LBound() + 1, static_cast<std::int64_t>(c.items));
    } catch (const AutomationError& error) {
      EXPECT_FALSE(c.made);
      EXPECT_EQ(error.number(), 9);
    }
  }
}

}  // namespace
}  // namespace quorvel
