#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "platform/temp_file_names.h"
#include "tests/support/temp_names.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::FileName;

const std::string kSeparator(MWindowsTempFolder::kPathSeparator);
const bool kWindows = kSeparator == "\\";

// A drawn number as a name holds it: 8 upper-case hex digits on Linux; on Windows GetTempFileNameW's
// form, documented as 4 upper-case digits, unpadded lower case under Wine. So the numbers here have 4
// digits and names compare without case, as Windows compares them.
std::string Name(const std::string& prefix, std::uint32_t number) {
  char digits[9];
  std::snprintf(digits, sizeof digits, kWindows ? "%04X" : "%08X", number);
  return prefix + digits + ".tmp";
}

std::pair<std::string, std::uint32_t> Upper(std::pair<std::string, std::uint32_t> name) {
  for (char& c : name.first) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

// Lengths count characters, not bytes nor UTF-16 units.
std::uint32_t Characters(const std::string& utf8) {
  return static_cast<std::uint32_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The system's folder is TMPDIR's on Linux and TMP's on Windows: both name a fresh one, whose name
// holds a character of two UTF-16 units.
class SystemTempFolderTest : public ::testing::Test {
 protected:
  SystemTempFolderTest() {
    fs::create_directory(dir_);
    SetFolder(path_);
  }
  void SetFolder(const std::string& folder) { env_.Set("TMPDIR", folder), env_.Set("TMP", folder); }
  testing::TempDir temp_dir_;
  testing::ScopedEnv env_;
  const fs::path dir_ = temp_dir_ / u8"q-\U0001F4E7";
  const std::u8string utf8_ = dir_.u8string();
  const std::string path_{utf8_.begin(), utf8_.end()}, folder_ = path_ + kSeparator;
  SystemTempFolder temp_;
};

// The path ends with the separator and is written over the buffer's start only when it fits with its
// NUL; the module's buffer holds 100 characters, so a folder of 99 fits and one of 100 gives the
// separator alone.
TEST_F(SystemTempFolderTest, TakesTheFolderThroughItsBuffer) {
  const std::uint32_t length = Characters(folder_);
  std::string buffer(kMaxPath, '#');
  EXPECT_EQ(temp_.GetTempPathA(length, buffer), length + 1);
  EXPECT_EQ(buffer, std::string(kMaxPath, '#'));
  EXPECT_EQ(temp_.GetTempPathA(length + 1, buffer), length);
  EXPECT_EQ(buffer, folder_ + '\0' + std::string(kMaxPath - folder_.size() - 1, '#'));
  const std::string fits = folder_ + std::string(98 - length, 'a');
  for (const auto& [folder, expected] : {std::pair{fits, fits + kSeparator}, {fits + "a", kSeparator}}) {
    fs::create_directory(fs::path(std::u8string(folder.begin(), folder.end())));
    SetFolder(folder);
    EXPECT_EQ(MWindowsTempFolder::GetWindowsTempFolder(temp_), Variant(expected)) << folder;
  }
}

// Names are made from the numbers drawn (0 never, and on Windows the low 16 bits alone); a name taken,
// by a folder or a file, is passed over, and a given number only makes a name.
TEST_F(SystemTempFolderTest, MakesNamesFromTheNumbersDrawn) {
  fs::create_directory(dir_ / Name("q", 0x1001));
  testing::WriteFile(dir_ / Name("q", 0x1002), "keep");
  const std::uint32_t high = kWindows ? 0x10000 : 0;
  testing::PredictableTempFolder folder({0, high, 0x1001, 0x1002, 3 * high + 0x1003});
  EXPECT_EQ(Upper(FileName(folder, folder_, "q")), Upper({folder_ + Name("q", 0x1003), 0x1003}));
  EXPECT_TRUE(fs::is_regular_file(dir_ / Name("q", 0x1003)));
  EXPECT_EQ(testing::ReadFile(dir_ / Name("q", 0x1002)), "keep");

  // Three characters of the prefix; Windows counts UTF-16 units, short of a character they would cut.
  for (const auto& [prefix, start] : {std::pair{"quorvel"s, "quo"s},
                                      {"é\U0001F4E7", "é\U0001F4E7"},
                                      {"aé\U0001F4E7x", kWindows ? "aé" : "aé\U0001F4E7"}}) {
    EXPECT_EQ(Upper(FileName(folder, path_, prefix, 0xABCD)), Upper({folder_ + Name(start, 0xABCD), 0xABCD}));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 3) << "a given number creates no file";

  testing::PredictableTempFolder stuck({0x1002});
  EXPECT_EQ(FileName(stuck, folder_, "q"), std::pair("#"s, 0u)) << "the retries are bounded";
  EXPECT_EQ(stuck.LastFailure(), "every name tried in " + folder_ + " was taken");
}

TEST_F(SystemTempFolderTest, FailuresLeaveTheBufferAndNameTheirCause) {
  const std::string missing = folder_ + "missing", separated = "." + kSeparator + "q";
  for (const auto& [path, prefix, cause] :
       {std::tuple{folder_, "./q"s, "the prefix \"./q\" cannot begin a file name"s},
        {folder_, separated, "the prefix \"" + separated + "\" cannot begin a file name"},
        {""s, "q"s, "no temporary folder was given"s},
        // Wine refuses even to name a file there, Linux to create one.
        {missing, "q"s, " in " + missing + ": "}}) {
    EXPECT_EQ(FileName(temp_, path, prefix), std::pair("#"s, 0u)) << path << " " << prefix;
    EXPECT_NE(temp_.LastFailure().find(cause), std::string::npos) << temp_.LastFailure();
  }
  SetFolder(missing);
  EXPECT_EQ(MWindowsTempFolder::CreateTempFileName(temp_, "q"), Variant(""));
  EXPECT_TRUE(fs::is_empty(dir_)) << "nothing was created";
}

}  // namespace
}  // namespace quorvel::platform
