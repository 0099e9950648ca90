#include "platform/reg_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "quorvel/error.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

// The tree flattened: " [path]" for each key below the root, " name=type:hexbytes" for each value.
std::string Describe(const RegKey& key, const std::string& path = "") {
  std::string out;
  for (const auto& [name, value] : key.values()) {
    out += " " + (name.empty() ? "@" : name) + "=" + std::to_string(value.type) + ":";
    for (const auto byte : value.data) out += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  }
  for (const auto& [name, subkey] : key.subkeys()) {
    out += " [" + path + name + "]" + Describe(subkey, path + name + "\\");
  }
  return out;
}

std::string Parse(const std::string& bytes) { return Describe(ParseRegFile(bytes, "HKEY_LOCAL_MACHINE", "hive.reg")); }

// `where` is the line and the problem, "3: bad dword".
void ExpectMalformedAt(const std::string& bytes, const std::string& where) {
  try {
    Parse(bytes);
    ADD_FAILURE() << "parsed";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), kInvalidFileFormat);
    EXPECT_EQ(e.description(), "Invalid file format: hive.reg line " + where);
  }
}

// The sample hives under tests/hives (which also seed the hive fuzzer): each valid/NAME.reg reads as
// the tree NAME.tree describes, each malformed one is refused where malformed/expected.txt says.
TEST(RegFileParse, SampleHives) {
  const std::filesystem::path hives = QUORVEL_TEST_HIVES;
  for (const auto& entry : std::filesystem::directory_iterator(hives / "valid")) {
    if (entry.path().extension() != ".reg") continue;
    SCOPED_TRACE(entry.path().filename());
    auto tree = entry.path();
    EXPECT_EQ(Parse(testing::ReadFile(entry.path())) + "\n", testing::ReadFile(tree.replace_extension(".tree")));
  }
  std::istringstream expected(testing::ReadFile(hives / "malformed" / "expected.txt"));
  std::ptrdiff_t checked = 1;  // expected.txt itself
  for (std::string file, where; expected >> file && std::getline(expected >> std::ws, where);) {
    if (file.starts_with('#')) continue;
    SCOPED_TRACE(file);
    ExpectMalformedAt(testing::ReadFile(hives / "malformed" / file), where);
    ++checked;
  }
  EXPECT_EQ(checked, std::distance(std::filesystem::directory_iterator(hives / "malformed"), {})) << "a file unlisted";
}

TEST(RegFileParse, HandlesHugeInput) {
  std::string line = "REGEDIT4\n[HKLM\\A]\n\"v\"=hex:00";
  for (int i = 1; i < (1 << 20); ++i) line += ",ab";
  EXPECT_EQ(ParseRegFile(line, "HKEY_LOCAL_MACHINE", "hive.reg").Find("A")->Value("v")->data.size(), 1u << 20);
  ExpectMalformedAt(std::string(64 * 1024 * 1024 + 1, '\n'), "1: file too large");
}

}  // namespace
}  // namespace quorvel::platform
