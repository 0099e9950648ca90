#include "platform/linux/temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/temp_file_names.h"
#include "tests/support/test_support.h"

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

class SystemTempFolderTest : public ::testing::Test {
 protected:
  SystemTempFolderTest() { env_.Set("TMPDIR", dir_.path().string()); }

  quorvel::testing::TempDir dir_;
  quorvel::testing::ScopedEnv env_;
  SystemTempFolder folder_;
};

// The folder comes from a 100-character buffer: one that does not fit leaves only the separator, a
// relative TMPDIR does not count, and a file that cannot be made leaves no name.
TEST_F(SystemTempFolderTest, ModuleTakesTheFolderThroughItsBuffer) {
  const std::string fits = "/" + std::string(97, 'a');  // 99 characters once the separator is added
  for (const auto& [tmpdir, expected] : {std::pair{fits, fits + "/"}, {fits + "a", "/"s}, {"relative", "/tmp/"}}) {
    env_.Set("TMPDIR", tmpdir);
    EXPECT_EQ(MWindowsTempFolder::GetWindowsTempFolder(folder_), Variant(expected)) << tmpdir;
  }
  env_.Set("TMPDIR", (dir_ / "missing").string());
  EXPECT_EQ(MWindowsTempFolder::CreateTempFileName(folder_, "q"), Variant(""));
}

// A given number only makes a name, and a failure leaves the buffer alone and names its cause: neither
// creates a file. The prefix "./q" (a slash) and the folder one character too long lead to places that
// exist, so that only the check under test refuses them.
TEST_F(SystemTempFolderTest, MakesNoFileForAGivenNumberOrOnFailure) {
  // A folder of 245 characters leaves room for the longest name, 259; one more character is too many.
  const std::string folder = dir_.path().string(), fits = folder + "/" + std::string(244 - folder.size(), 'd');
  const std::string deep = fits + "d";
  fs::create_directory(deep);
  EXPECT_EQ(FileName(folder_, fits, "q", 0xABCD), std::pair(fits + "/q0000ABCD.tmp", 0xABCDu));
  for (const auto& [path, prefix, cause] :
       {std::tuple{folder, "./q"s, "the prefix \"./q\" cannot begin a file name"s},
        {deep, "q", "a file name in " + deep + " would pass 259 characters"},
        {""s, "q", "no temporary folder was given"},
        {folder + "/missing", "q", "cannot create a file in " + folder + "/missing: No such file or directory"}}) {
    EXPECT_EQ(FileName(folder_, path, prefix), std::pair("#"s, 0u)) << path << " " << prefix;
    EXPECT_EQ(folder_.LastFailure(), cause);
  }
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(quorvel::testing::RunAsNobody([&] {
              return FileName(folder_, folder, "q").second == 0 &&
                     folder_.LastFailure() == "cannot create a file in " + folder + ": Permission denied";
            }),
            0);
  chmod(folder.c_str(), 0700);
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder), {}), 1) << "nothing was created";
}

TEST_F(SystemTempFolderTest, NeverFollowsAPlantedLink) {
  quorvel::testing::WriteFile(dir_ / "secret", "keep");
  fs::create_symlink(dir_ / "victim", dir_ / "q00000001.tmp");  // dangling: O_CREAT alone would make victim
  fs::create_symlink(dir_ / "secret", dir_ / "q00000002.tmp");
  PredictableTempFolder folder({1, 2, 0, 3});
  EXPECT_EQ(FileName(folder, dir_.path().string() + "/", "q"), std::pair((dir_ / "q00000003.tmp").string(), 3u));
  EXPECT_FALSE(fs::exists(dir_ / "victim"));
  EXPECT_EQ(quorvel::testing::ReadFile(dir_ / "secret"), "keep");
  EXPECT_TRUE(fs::is_symlink(dir_ / "q00000001.tmp"));

  PredictableTempFolder stuck({2});
  EXPECT_EQ(FileName(stuck, dir_.path().string(), "q"), std::pair("#"s, 0u)) << "the retries are bounded";
}

}  // namespace
}  // namespace quorvel::platform
