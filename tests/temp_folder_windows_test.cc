#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/temp_file_names.h"
#include "platform/windows/temp_folder.h"
#include "platform/windows/wide_text.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Draws names from a script, so that a test can take them first.
struct PredictableTempFolder : SystemTempFolder {
  explicit PredictableTempFolder(std::vector<std::uint32_t> numbers) : numbers(std::move(numbers)) {}
  std::uint32_t NextUniqueNumber() override { return numbers[next++ % numbers.size()]; }
  std::vector<std::uint32_t> numbers;
  std::size_t next = 0;
};

// The name written into a fresh buffer, "#" when the buffer was left alone, and the number answered.
std::pair<std::string, std::uint32_t> FileName(SystemTempFolder& folder, const std::string& path,
                                               const std::string& prefix, std::uint32_t unique = 0) {
  std::string buffer(kMaxPath, '#');
  const std::uint32_t number = folder.GetTempFileNameA(path, prefix, unique, buffer);
  return {buffer == std::string(kMaxPath, '#') ? "#" : buffer.substr(0, buffer.find('\0')), number};
}

// The folder's name holds a character of two UTF-16 units, which the seam counts as one.
class SystemTempFolderTest : public ::testing::Test {
 protected:
  SystemTempFolderTest() { fs::create_directory(dir_); }
  ~SystemTempFolderTest() override { fs::remove_all(dir_); }

  const fs::path dir_ = fs::temp_directory_path() / (L"quorvel-\U0001F4E7-" + std::to_wstring(std::random_device()()));
  const std::string folder_ = Narrow(dir_.wstring()) + "\\";
};

// The folder is TMP's, ending with a backslash, and its length counts characters, NUL included when too short.
TEST_F(SystemTempFolderTest, TakesTheFolderThroughItsBuffer) {
  std::wstring earlier(MAX_PATH + 1, L'\0');
  earlier.resize(GetEnvironmentVariableW(L"TMP", earlier.data(), MAX_PATH + 1));
  const auto tmp = [](const std::wstring& value) { SetEnvironmentVariableW(L"TMP", value.c_str()); };
  tmp(dir_.wstring());
  // With its closing backslash, as many characters as the folder has UTF-16 units: the mail symbol has two.
  const auto characters = static_cast<std::uint32_t>(dir_.wstring().size());
  SystemTempFolder folder;
  std::string buffer(8, '#');
  EXPECT_EQ(folder.GetTempPathA(characters, buffer), characters + 1);
  EXPECT_EQ(buffer, "########");
  buffer.assign(kMaxPath, '#');
  EXPECT_EQ(folder.GetTempPathA(characters + 1, buffer), characters);
  EXPECT_EQ(buffer.substr(0, buffer.find('\0')), folder_);
  EXPECT_EQ(MWindowsTempFolder::GetWindowsTempFolder(folder), Variant(folder_));
  tmp(L"C:\\" + std::wstring(100, L'a'));
  EXPECT_EQ(MWindowsTempFolder::GetWindowsTempFolder(folder), Variant("\\")) << "a folder that does not fit";
  tmp(earlier);
}

// Upper case, as names compare on Windows: Wine writes the unique part and ".tmp" in lower case.
std::string Upper(std::pair<std::string, std::uint32_t> name) {
  for (char& c : name.first) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name.first + " " + std::to_string(name.second);
}

// Names are made from the numbers drawn (their low 16 bits, 0 never); one taken, by a folder or a file,
// is passed over, and a given number only makes a name.
TEST_F(SystemTempFolderTest, MakesNamesFromTheNumbersDrawn) {
  fs::create_directory(dir_ / L"q1001.tmp");
  std::ofstream(dir_ / L"q1002.tmp") << "keep";
  PredictableTempFolder folder({0x1001, 0x10000, 0x1002, 0x31003});
  EXPECT_EQ(Upper(FileName(folder, folder_, "q")), Upper({folder_ + "q1003.tmp", 0x1003}));
  EXPECT_TRUE(fs::is_regular_file(dir_ / L"q1003.tmp"));
  EXPECT_EQ(fs::file_size(dir_ / L"q1002.tmp"), 4u);

  // Three UTF-16 units of the prefix, short of a character they would cut in two.
  for (const auto& [prefix, start] :
       {std::pair{"quorvel"s, "quo"s}, {"é\U0001F4E7", "é\U0001F4E7"}, {"aé\U0001F4E7", "aé"}}) {
    EXPECT_EQ(Upper(FileName(folder, folder_, prefix, 0xABCD)), Upper({folder_ + start + "abcd.tmp", 0xABCD}));
  }
  EXPECT_FALSE(fs::exists(dir_ / L"quoabcd.tmp")) << "a given number creates nothing";

  PredictableTempFolder stuck({0x1002});
  EXPECT_EQ(FileName(stuck, folder_, "q"), std::pair("#"s, 0u)) << "the retries are bounded";
  EXPECT_EQ(stuck.LastFailure(), "every name tried in " + folder_ + " was taken");
}

TEST_F(SystemTempFolderTest, FailuresLeaveTheBufferAndNameTheirCause) {
  SystemTempFolder folder;
  const std::string missing = folder_ + "missing";
  for (const auto& [path, prefix, cause] :
       {std::tuple{folder_, ".\\q"s, "the prefix \".\\q\" cannot begin a file name"s},
        {""s, "q", "no temporary folder was given"},
        {missing, "q", " in " + missing + ": "}}) {
    EXPECT_EQ(FileName(folder, path, prefix), std::pair("#"s, 0u)) << path << " " << prefix;
    EXPECT_NE(folder.LastFailure().find(cause), std::string::npos) << folder.LastFailure();
  }
}

}  // namespace
}  // namespace quorvel::platform
