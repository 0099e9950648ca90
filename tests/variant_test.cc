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
      {true, "Boolean", "True"},
      {false, "Boolean", "False"},
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

}  // namespace
}  // namespace quorvel
