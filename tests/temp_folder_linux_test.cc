#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/temp_file_names.h"
#include "tests/support/temp_names.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::FileName;

// A relative TMPDIR does not count. A folder of 245 characters leaves room for the longest name, 259,
// and one more is too many: both exist, so that only the length refuses. A folder the user may not
// write is refused with the system's reason.
TEST(SystemTempFolderLinuxTest, FolderAndFailuresOfLinuxAlone) {
  testing::TempDir dir;  // before TMPDIR is changed, which it is made in
  testing::ScopedEnv env;
  env.Set("TMPDIR", "relative");
  SystemTempFolder temp;
  EXPECT_EQ(MWindowsTempFolder::GetWindowsTempFolder(temp), Variant("/tmp/"));

  const std::string folder = dir.path().string(), fits = folder + "/" + std::string(244 - folder.size(), 'd');
  const std::string deep = fits + "d";
  fs::create_directory(deep);
  EXPECT_EQ(FileName(temp, fits, "q", 0xABCD), std::pair(fits + "/q0000ABCD.tmp", 0xABCDu));
  EXPECT_EQ(FileName(temp, deep, "q", 0xABCD), std::pair("#"s, 0u));
  EXPECT_EQ(temp.LastFailure(), "a file name in " + deep + " would pass 259 characters");
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(testing::RunAsNobody([&] {
              return FileName(temp, folder, "q").second == 0 &&
                     temp.LastFailure() == "cannot create a file in " + folder + ": Permission denied";
            }),
            0);
  chmod(folder.c_str(), 0700);
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder), {}), 1) << "nothing was created";
}

// A planted symbolic link, dangling or not, takes its name: another is drawn.
TEST(SystemTempFolderLinuxTest, NeverFollowsAPlantedLink) {
  testing::TempDir dir;
  testing::WriteFile(dir / "secret", "keep");
  fs::create_symlink(dir / "victim", dir / "q00000001.tmp");  // O_CREAT alone would make victim
  fs::create_symlink(dir / "secret", dir / "q00000002.tmp");
  testing::PredictableTempFolder folder({1, 2, 3});
  EXPECT_EQ(FileName(folder, dir.path().string(), "q"), std::pair((dir / "q00000003.tmp").string(), 3u));
  EXPECT_FALSE(fs::exists(dir / "victim"));
  EXPECT_EQ(testing::ReadFile(dir / "secret"), "keep");
}

}  // namespace
}  // namespace quorvel::platform
