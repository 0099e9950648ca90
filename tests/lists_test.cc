#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lists/string_array_var.h"

namespace quorvel::lists {
namespace {

using ::testing::ElementsAreArray;

constexpr FlatteningStyle kFacadeStyle{",", false, "Quorvel/EMail/StringArrayVar"};
constexpr FlatteningStyle kCommandLineStyle{"; ", true, "Quorvel/MailEudora/StringArrayVar"};

TEST(StringArrayVar, EachShapeInBothFlavours) {
  struct Case {
    const char* label;
    Variant list;
    const char* facade;
    const char* command_line;
    const char* logged;  // after the tag; null when nothing is logged
  };
  const Case cases[] = {
      {"blank between", StringArray(0, {" a ", "  ", "b"}), "P: a ,b", "P: a ; b", nullptr},
      {"lower bound 1", StringArray(1, {"a", "b"}), "P:a,b", "P:a; b", nullptr},
      {"at the largest Long", StringArray(INT32_MAX - 1, {"a", "b"}), "P:a,b", "P:a; b", nullptr},
      {"only blanks", StringArray(0, {" ", ""}), "P:", "P:", nullptr},
      {"empty array", StringArray(4, {}), "P:", "P:", nullptr},
      {"tabs are not blank", StringArray(0, {"\t"}), "P:\t", "P:\t", nullptr},
      {"single", Variant(" x "), "P: x ", "P: x ", nullptr},
      {"single blank", Variant("  "), "", "P:", nullptr},
      {"single empty", Variant(""), "", "P:", nullptr},
      {"empty value", Variant(), "", "P:", " Unknown Type: P: "},
      {"omitted argument", Variant::Missing{}, "", "P:", " Unknown Type: P: "},
      {"number", Variant(std::int32_t{5}), "", "P:", " Unknown Type: P: 5"},
      {"array of variants", VariantArray(0, {Variant("a")}), "", "P:", " Unknown Type: P: Variant()"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    for (const auto* style : {&kFacadeStyle, &kCommandLineStyle}) {
      std::vector<std::string> lines;
      const auto result = StringArrayVar(
          *style, [&](std::string_view line) { lines.emplace_back(line); }, "P:", c.list);
      EXPECT_EQ(result, style == &kFacadeStyle ? c.facade : c.command_line);
      if (c.logged) {
        EXPECT_THAT(lines, ElementsAreArray({std::string(style->tag) + c.logged}));
      } else {
        EXPECT_TRUE(lines.empty());
      }
    }
  }
  EXPECT_THROW(StringArrayVar(
                   kFacadeStyle, [](std::string_view) {}, "P:", StringArray()),
               AutomationError);
}

}  // namespace
}  // namespace quorvel::lists
