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

TEST(Variant, ArrayBoundsAndResizing) {
  StringArray never;
  EXPECT_FALSE(never.IsDimensioned());
  for (auto read : {+[](const StringArray& a) { (void)a.LBound(); }, +[](const StringArray& a) { (void)a.UBound(); },
                    +[](const StringArray& a) { (void)a[0]; }}) {
    try {
      read(never);
      ADD_FAILURE() << "a never-dimensioned array answered";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), 9);
      EXPECT_EQ(error.description(), "Subscript out of range");
    }
  }

  StringArray empty(3, {});
  EXPECT_EQ(empty.LBound(), 3);
  EXPECT_EQ(empty.UBound(), 2);

  StringArray list(1, {"a", "b"});
  EXPECT_THROW((void)list[0], AutomationError);
  EXPECT_THROW((void)list[3], AutomationError);
  list.ReDimPreserve(4);
  EXPECT_EQ(list.items(), (std::vector<std::string>{"a", "b", "", ""}));
  list.ReDimPreserve(1);
  EXPECT_EQ(list.items(), std::vector<std::string>{"a"});
  list.ReDim(0, 0);
  EXPECT_EQ(list, StringArray(0, {""}));
}

}  // namespace
}  // namespace quorvel
