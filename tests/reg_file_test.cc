#include "platform/reg_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "platform/registry.h"
#include "quorvel/error.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

// The tree flattened: " [path]" for each key below the root, " name=type:hexbytes" for each value.
std::string Describe(const RegKey& key, const std::string& path = "") {
  std::string out;
  for (const auto& [name, value] : key.values()) {
    out += " " + std::string(name.empty() ? "@" : name) + "=" + std::to_string(value.type) + ":";
    for (const auto byte : value.data) out += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  }
  for (const auto& [name, subkey] : key.subkeys()) {
    out += " [" + path + std::string(name) + "]" + Describe(subkey, path + std::string(name) + "\\");
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
// the tree NAME.tree describes and, written and read again, as the same tree, in lines no longer than the
// registry editor writes; where NAME.written exists, the writer's text is exactly that. Each malformed
// one is refused where malformed/expected.txt says.
TEST(RegFileParse, SampleHives) {
  const std::filesystem::path hives = QUORVEL_TEST_HIVES;
  for (const auto& entry : std::filesystem::directory_iterator(hives / "valid")) {
    if (entry.path().extension() != ".reg") continue;
    SCOPED_TRACE(entry.path().filename());
    auto sibling = entry.path();
    const RegKey tree = ParseRegFile(testing::ReadFile(entry.path()), "HKEY_LOCAL_MACHINE", "hive.reg");
    EXPECT_EQ(Describe(tree) + "\n", testing::ReadFile(sibling.replace_extension(".tree")));
    const std::string written = WriteRegFile(tree, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(ParseRegFile(written, "HKEY_LOCAL_MACHINE", "written.reg"), tree) << written;
    std::istringstream lines(written);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
    if (std::filesystem::exists(sibling.replace_extension(".written"))) {
      EXPECT_EQ(written, testing::ReadFile(sibling));
    }
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

// A carriage return would end the line that holds a name: the reader refuses one (cr-in-*.reg), and so
// does the writer.
TEST(RegFileWrite, NamesNoLineCanHoldAreRefused) {
  for (const bool as_key : {true, false}) {
    RegKey tree;
    tree.FindOrCreate(as_key ? "a\rb" : "A").SetValue(as_key ? "" : "trailing\r", RegValue{reg_type::kString, {0}});
    EXPECT_THAT([&] { WriteRegFile(tree, "HKEY_LOCAL_MACHINE"); },
                ::testing::ThrowsMessage<AutomationError>(::testing::StartsWith("Error 5: "))) << as_key;
  }
}

// A value's place and spelling on overriding: the sample overrides-keep-place.reg. Names and data are
// views into the text a tree was read from: a copy, or a key moved out of its tree or into another,
// keeps that text alive when the tree is gone, and finds its own values; a change to one copies what it
// views first and leaves the others as they were.
TEST(RegKey, CopiesAndMovedKeysKeepWhatTheyView) {
  std::string text = "REGEDIT4\n[HKLM\\A\\B]\n";
  for (int i = 0; i < 20; ++i) text += "\"v" + std::to_string(i) + "\"=\"x" + std::to_string(i) + "\"\n";
  auto hive = std::make_unique<RegKey>(ParseRegFile(text, "HKEY_LOCAL_MACHINE", "h.reg"));
  const std::string described = Describe(*hive);
  const RegKey copy = *hive;
  RegKey moved = std::move(hive->FindOrCreate("a\\b"));
  RegKey grafted;
  grafted.FindOrCreate("G") = std::move(*hive);
  hive.reset();
  text.assign(text.size(), '?');

  EXPECT_EQ(Describe(copy), described);
  EXPECT_EQ(Describe(*grafted.Find("g")), " [A] [A\\B]");
  EXPECT_EQ(Describe(moved), described.substr(std::string(" [A] [A\\B]").size()));
  EXPECT_EQ(copy.Find("A\\B")->Value("V15")->data.data(), copy.Find("A\\B")->values()[15].value.data.data());

  moved.SetValue("V3", RegValue{reg_type::kDword, {1, 0, 0, 0}});
  moved.SetValue("new", RegValue{reg_type::kString, {'n', 0}});
  moved.RemoveValue("v0");
  EXPECT_EQ(Describe(copy), described);
  EXPECT_EQ(moved.values().size(), 20u);
  EXPECT_EQ(moved.values()[2].name, "v3");
  EXPECT_EQ(*moved.Value("v3"), (RegValue{reg_type::kDword, {1, 0, 0, 0}}));
  EXPECT_EQ(moved.values()[19].name, "new");
  EXPECT_EQ(*moved.Value("NEW"), (RegValue{reg_type::kString, {'n', 0}}));
  EXPECT_FALSE(moved.Value("v0"));
  EXPECT_EQ(*moved.Value("v19"), (RegValue{reg_type::kString, {'x', '1', '9', 0}}));
}

// What the reader does to a tree, changes made to one in memory do the same, many values and subkeys
// (looked up through hash tables) or few, names given in any case, values and keys removed and set again.
TEST(RegKey, ChangesInMemoryAgreeWithTheReader) {
  for (const auto& [count, in_order] : {std::pair{3, false}, {40, false}, {40, true}}) {
    SCOPED_TRACE(::testing::Message() << count << (in_order ? " in order" : ""));
    const auto two_digits = [](const char* prefix, int n) {
      return prefix + std::string(n < 10 ? "0" : "") + std::to_string(n);
    };
    std::string text = "REGEDIT4\n";
    RegKey tree;
    for (int round = 0; round < 3; ++round) {
      for (int i = count - 1; i >= 0; --i) {
        // Out of order, some removed and made again; or made in order, then looked for out of order,
        // then followed by more in order.
        const std::string key = !in_order    ? "K" + std::to_string(i * 7 % count) + (round == 1 ? "x" : "")
                                : round == 0 ? two_digits("K", count - 1 - i)
                                : round == 1 ? two_digits("K", i * 7 % count)
                                             : two_digits("Z", count - 1 - i);
        const std::string value = (round == 2 ? "V" : "v") + std::to_string(i);
        text += "[HKLM\\Top\\" + key + "]\n\"" + value + "\"=dword:" + std::to_string(round) + "\n";
        tree.FindOrCreate("Top\\" + key).SetValue(value, RegValue{reg_type::kDword, {std::uint8_t(round), 0, 0, 0}});
        if (i % 3 == 0) {
          text += "\"V" + std::to_string(i + 1) + "\"=-\n";
          tree.FindOrCreate("top\\" + key).RemoveValue("V" + std::to_string(i + 1));
        }
        if (i % 5 == 1) {
          text += "[-HKLM\\TOP\\k" + std::to_string(i) + "x]\n";
          tree.Remove("TOP\\k" + std::to_string(i) + "x");
        }
      }
      text += "[HKLM\\Top]\n";
      for (int i = 0; i < count; ++i) {
        text += "\"t" + std::to_string(i % 11) + "\"=\"" + std::to_string(round) + "\"\n";
        tree.FindOrCreate("Top").SetValue("t" + std::to_string(i % 11),
                                          RegValue{reg_type::kString, {std::uint8_t('0' + round), 0}});
        if (i % 4 == 0) {
          text += "\"T" + std::to_string(i % 7) + "\"=-\n";
          tree.FindOrCreate("Top").RemoveValue("T" + std::to_string(i % 7));
        }
      }
    }
    const RegKey read = ParseRegFile(text, "HKEY_LOCAL_MACHINE", "h.reg");
    EXPECT_EQ(Describe(read), Describe(tree));
    EXPECT_EQ(read, tree);
    EXPECT_EQ(ParseRegFile(WriteRegFile(tree, "HKEY_LOCAL_MACHINE"), "HKEY_LOCAL_MACHINE", "w.reg"), read);
  }
}

// Runs body on a thread with a small stack, as a host's worker thread may have. AddressSanitizer's
// unoptimised frames are many times larger, so its build gets a stack as many times larger.
void OnSmallStack(const std::function<void()>& body) {
#ifdef __SANITIZE_ADDRESS__
  constexpr std::size_t kStackSize = 16 * 256 * 1024;
#else
  constexpr std::size_t kStackSize = 256 * 1024;
#endif
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kStackSize);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attributes,
                [](void* run) -> void* { return (*static_cast<std::function<void()>*>(run))(), nullptr; },
                const_cast<std::function<void()>*>(&body)),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

// Keys nest at most kMaxKeyDepth deep, so every walk over a tree stays shallow.
TEST(RegFileParse, DeepKeysAreRefusedBeforeAnyWalk) {
  const auto deep = [](std::size_t levels) {
    std::string path = "HKEY_LOCAL_MACHINE";
    for (std::size_t i = 0; i < levels; ++i) path += "\\k";
    return path;
  };
  const std::string too_deep = ": keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels";
  ExpectMalformedAt("REGEDIT4\n[" + deep(200'000) + "]\n", "2" + too_deep);
  ExpectMalformedAt("REGEDIT4\n[" + deep(kMaxKeyDepth) + "]\n[-" + deep(kMaxKeyDepth + 1) + "]\n", "3" + too_deep);
  OnSmallStack([&] {
    const RegKey hive = ParseRegFile("REGEDIT4\n[" + deep(kMaxKeyDepth) + "]\n", "HKEY_LOCAL_MACHINE", "deep.reg");
    const RegKey copy = hive;
    EXPECT_EQ(ParseRegFile(WriteRegFile(copy, "HKEY_LOCAL_MACHINE"), "HKEY_LOCAL_MACHINE", "w.reg"), hive);
  });
  // A tree built deeper in memory is not written, since the reader would refuse it.
  RegKey tree;
  tree.FindOrCreate(deep(kMaxKeyDepth).substr(19)).FindOrCreate("k");
  EXPECT_THAT([&] { WriteRegFile(tree, "HKEY_LOCAL_MACHINE"); },
              ::testing::ThrowsMessage<AutomationError>(::testing::StartsWith("Error 5: ")));
}

}  // namespace
}  // namespace quorvel::platform
