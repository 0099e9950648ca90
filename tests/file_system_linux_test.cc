#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "platform/local_file_system.h"
#include "quorvel/error.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

// The number opening the path for writing raised, 0 for none.
int Refusal(const std::string& path, bool create = true) {
  try {
    LocalFileSystem().OpenTextFile(path, io_mode::kForWriting, create, text_format::kAscii);
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

// A name someone else planted is never written through, whether or not it may be created; the user's
// own file is left private whatever mode it had, and one the user may not write is Permission denied.
TEST(LocalFileSystemLinuxTest, WritesOnlyTheUsersOwnRegularFileAndLeavesItPrivate) {
  testing::TempDir dir;
  const auto path = [&](const char* name) { return (dir / name).string(); };
  WriteFile(path("victim"), "keep");
  fs::create_symlink(path("victim"), path("link.msg"));
  fs::create_symlink(path("created-through-link"), path("dangling.msg"));
  ASSERT_EQ(mkfifo(path("fifo.msg").c_str(), 0600), 0);
  std::vector<std::string> refused = {path("link.msg"), path("dangling.msg"), path("fifo.msg")};
  if (geteuid() == 0) {  // only the superuser can give a file to someone else
    WriteFile(path("others.msg"), "theirs");
    ASSERT_EQ(chown(path("others.msg").c_str(), 65534, 65534), 0);
    refused.push_back(path("others.msg"));
  }
  for (const auto& planted : refused) {
    for (const bool create : {true, false}) EXPECT_EQ(Refusal(planted, create), 75) << planted << " create " << create;
  }
  EXPECT_EQ(ReadFile(path("victim")), "keep");
  EXPECT_FALSE(fs::exists(path("created-through-link")));

  const mode_t umask_before = umask(0);
  WriteFile(path("old.msg"), "old");
  chmod(path("old.msg").c_str(), 0666);
  for (const char* name : {"old.msg", "new.msg"}) {
    EXPECT_EQ(Refusal(path(name)), 0) << name;
    EXPECT_EQ(fs::status(path(name)).permissions(), fs::perms(0600)) << name;
  }
  umask(umask_before);

  chmod(path("old.msg").c_str(), 0444);
  chmod(dir.path().c_str(), geteuid() == 0 ? 0755 : 0555);
  EXPECT_EQ(testing::RunAsNobody([&] { return Refusal(path("old.msg")) == 70 && Refusal(path("other.msg")) == 70; }),
            0);
  chmod(dir.path().c_str(), 0700);  // so that the folder can be removed
}

}  // namespace
}  // namespace quorvel::platform
