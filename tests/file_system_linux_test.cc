#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/linux/file_system.h"
#include "quorvel/error.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

class LocalFileSystemTest : public ::testing::Test {
 protected:
  std::string Path(const char* relative) const { return (dir_ / relative).string(); }
  testing::TempDir dir_;
  LocalFileSystem files_;
};

// The number the action raised, 0 for none; -1 when the description is not the runtime's text for it,
// ": ", the path and perhaps a reason.
int Failure(const std::function<void()>& action, const std::string& path) {
  try {
    action();
  } catch (const AutomationError& e) {
    const std::string& text = e.description();
    const std::size_t at = text.find(": " + path);
    const bool named = at != std::string::npos && text.starts_with(StandardDescription(e.number())) &&
                       (at + path.size() + 2 == text.size() || text.compare(at + path.size() + 2, 2, ": ") == 0);
    return named ? e.number() : -1;
  }
  return 0;
}

TEST_F(LocalFileSystemTest, FailuresRaiseTheRuntimeNumbers) {
  WriteFile(Path("file.txt"), "x");
  const struct {
    std::string path;
    int mode;
    bool create;
    int format, number;
  } cases[] = {
      {Path("absent/m.txt"), io_mode::kForWriting, true, text_format::kAscii, 76},
      {Path("absent/m.txt"), io_mode::kForAppending, false, text_format::kAscii, 76},
      {Path("file.txt/m.txt"), io_mode::kForWriting, true, text_format::kAscii, 76},
      {dir_.path().string(), io_mode::kForWriting, true, text_format::kAscii, 75},
      {Path("m.txt"), io_mode::kForWriting, false, text_format::kAscii, 53},
      {Path("file.txt"), io_mode::kForReading, false, text_format::kAscii, 5},
      {Path("file.txt"), io_mode::kForWriting, true, text_format::kUnicode, 5},
      {Path("m.txt") + std::string(1, '\0') + "x", io_mode::kForWriting, true, text_format::kAscii, 5},
      {"/dev/full", io_mode::kForWriting, false, text_format::kAscii, 75},  // no regular file
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Failure([&] { files_.OpenTextFile(c.path, c.mode, c.create, c.format)->Write("x"); }, c.path), c.number)
        << c.path;
  }
  EXPECT_THAT([&] { files_.OpenTextFile(Path("absent/m.txt"), io_mode::kForWriting, true, text_format::kAscii); },
              ::testing::ThrowsMessage<AutomationError>("Error 76: Path not found: " + Path("absent/m.txt")));
  EXPECT_FALSE(fs::exists(Path("m.txt"))) << "a refused open creates nothing";
  EXPECT_EQ(ReadFile(Path("file.txt")), "x") << "a refused open truncates nothing";
}

TEST_F(LocalFileSystemTest, ReadOnlyFileOrFolderIsPermissionDenied) {
  const std::string locked = Path("locked.txt"), fresh = Path("new.txt");
  WriteFile(locked, "kept");
  chmod(dir_.path().c_str(), getuid() == 0 ? 0755 : 0555);
  chmod(locked.c_str(), 0444);
  const auto open = [&](const std::string& path) {
    return Failure([&] { files_.OpenTextFile(path, io_mode::kForWriting, true, text_format::kAscii); }, path);
  };
  EXPECT_EQ(testing::RunAsNobody([&] { return open(locked) == 70 && open(fresh) == 70; }), 0);
  chmod(dir_.path().c_str(), 0700);  // so that the folder can be removed
  EXPECT_EQ(ReadFile(locked), "kept");
}

// A name someone else planted is never written through, whether or not it may be created; a file of
// the user's own is replaced, shorter text leaving no tail, and left private whatever mode it had.
TEST_F(LocalFileSystemTest, WritesOnlyTheUsersOwnRegularFileAndLeavesItPrivate) {
  WriteFile(Path("victim"), "keep");
  fs::create_symlink(Path("victim"), Path("link.msg"));
  fs::create_symlink(Path("created-through-link"), Path("dangling.msg"));
  fs::create_hard_link(Path("victim"), Path("hard.msg"));
  ASSERT_EQ(mkfifo(Path("fifo.msg").c_str(), 0600), 0);
  std::vector<std::string> refused = {Path("link.msg"), Path("dangling.msg"), Path("hard.msg"), Path("fifo.msg")};
  if (geteuid() == 0) {
    WriteFile(Path("others.msg"), "theirs");
    ASSERT_EQ(chown(Path("others.msg").c_str(), 65534, 65534), 0);
    refused.push_back(Path("others.msg"));
  }
  for (const auto& path : refused) {
    for (const bool create : {true, false}) {
      EXPECT_EQ(Failure([&] { files_.OpenTextFile(path, io_mode::kForWriting, create, text_format::kAscii); }, path),
                75)
          << path << " create " << create;
    }
  }
  EXPECT_EQ(ReadFile(Path("victim")), "keep");
  EXPECT_FALSE(fs::exists(Path("created-through-link")));
  if (geteuid() == 0) {
    EXPECT_EQ(ReadFile(Path("others.msg")), "theirs");
  }

  const mode_t umask_before = umask(0);
  for (const std::string name : {"old.msg", "new.msg"}) {
    if (name == "old.msg") WriteFile(Path("old.msg"), "a longer old text"), chmod(Path("old.msg").c_str(), 0666);
    auto stream = files_.OpenTextFile(Path(name.c_str()), io_mode::kForWriting, true, text_format::kAscii);
    stream->Write("new");
    stream->Close();
    EXPECT_EQ(Failure([&] { stream->Write("late"); }, Path(name.c_str())), 5) << "a closed stream refuses";
    EXPECT_EQ(ReadFile(Path(name.c_str())), "new") << name;
    EXPECT_EQ(fs::status(Path(name.c_str())).permissions(), fs::perms(0600)) << name;
  }
  umask(umask_before);
}

}  // namespace
}  // namespace quorvel::platform
