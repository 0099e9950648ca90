#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lists/list_walker.h"
#include "lists/string_array_var.h"
#include "tests/doubles/fixed_clock.h"

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

// The messages of a session log, without their indent, time stamp and line end.
std::vector<std::string> Messages(const std::string& log) {
  std::vector<std::string> messages;
  for (std::size_t start = 0; start < log.size();) {
    const auto end = log.find("\r\n", start);
    std::string entry = log.substr(start, end - start);
    messages.push_back(entry.starts_with('\t') ? entry.substr(entry.find("  ") + 2) : entry.substr(20));
    start = end + 2;
  }
  return messages;
}

TEST(WalkList, LinesAndItemsForEachShape) {
  struct Case {
    const char* label;
    Variant list;
    std::vector<std::string> lines;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"array",
       StringArray(1, {" a ", "  ", "b"}),
       {"T/AddRecipients - Entered", "T/AddRecipients - add recipient:  a ",
        "T/AddRecipients - add recipient:   ", "T/AddRecipients - add recipient: b"},
       {"a", "", "b"}},
      {"single", Variant(" x "), {"T/AddRecipients - Entered", "T/AddRecipients - add recipient:  x "}, {"x"}},
      {"empty array", StringArray(0, {}), {"T/AddRecipients - Entered"}, {}},
      {"other", Variant(), {"T/AddRecipients - Entered", "T/AddRecipients - Recipient CC did not resolve: "}, {}},
      {"never dimensioned",
       StringArray(),
       {"T/AddRecipients - Entered", "Error: 9 in T/AddRecipients at line 30 Subscript out of range"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    trail::SessionLog log(std::make_shared<testing::FixedClock>(), {" - Entered", trail::ErrorCodeForm::kDecimal});
    trail::Procedure p(log, "T/AddRecipients");
    std::vector<std::string> items;
    try {
      p.PassOn([&] {
        WalkList(p, c.list, {" - add recipient: ", " - Recipient CC did not resolve: "},
                 [&](const std::string& item) { items.push_back(item); });
      });
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.source(), "T/AddRecipients at line 30");
    }
    auto lines = Messages(log.GetLog());
    for (auto& line : lines) {
      if (const auto error = line.find("Error: "); error != std::string::npos) line = line.substr(error);
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(items, c.items);
  }
}

}  // namespace
}  // namespace quorvel::lists
