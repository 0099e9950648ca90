#include "platform/file_system_linux.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;

class LocalFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvel-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Path(const char* relative) const { return (folder_ / relative).string(); }
  static void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path folder_;
  LocalFileSystem files_;
};

// The number an open (or a write through it) raises, 0 when both succeed; -1 when the description
// is not the standard text naming the path.
int Failure(const std::function<void()>& action, const std::string& path) {
  try {
    action();
    return 0;
  } catch (const AutomationError& error) {
    const std::string& text = error.description();
    const bool namesPath = text.size() > path.size() + 2 && text.substr(text.size() - path.size() - 2) == ": " + path;
    return namesPath ? error.number() : -1;
  }
}

TEST_F(LocalFileSystemTest, FileExistsOnlyForRegularFiles) {
  Put(Path("file.txt"), "x");
  fs::create_directory(Path("folder"));
  fs::create_symlink(Path("file.txt"), Path("to-file"));
  fs::create_symlink(Path("absent.txt"), Path("dangling"));
  const std::pair<std::string, bool> cases[] = {
      {Path("file.txt"), true}, {Path("to-file"), true},  {Path("folder"), false},
      {Path("absent.txt"), false}, {Path("dangling"), false}, {"", false},
  };
  for (const auto& [path, exists] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(files_.FileExists(path), exists);
  }
}

TEST_F(LocalFileSystemTest, GetFileNameTakesTheLastComponent) {
  const std::pair<const char*, const char*> cases[] = {
      {"/a/b.txt", "b.txt"}, {"/a/b/", "b"},  {"b.txt", "b.txt"}, {"/", ""},
      {"", ""},              {"a//b//", "b"}, {"a\\b.txt", "a\\b.txt"},
  };
  for (const auto& [path, name] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(files_.GetFileName(path), name);
  }
}

TEST_F(LocalFileSystemTest, WritesBytesUnchanged) {
  const std::vector<std::string> cases[] = {{"a\r\nb"}, {"Grüße, 日本"}, {}, {""}, {"To: a@b\n", "", "Body"}};
  for (const auto& writes : cases) {
    std::string expected;
    for (const auto& text : writes) expected += text;
    SCOPED_TRACE(expected);
    const std::string path = Path("message.txt");
    fs::remove(path);
    auto stream = files_.OpenTextFile(path, io_mode::kForWriting, true, text_format::kSystemDefault);
    for (const auto& text : writes) stream->Write(text);
    stream->Close();
    EXPECT_EQ(Read(path), expected);
  }
}

TEST_F(LocalFileSystemTest, WritingTruncatesAppendingAddsAndClosedStreamsRefuse) {
  const std::string path = Path("message.txt");
  Put(path, "a much longer earlier message");
  files_.OpenTextFile(path, io_mode::kForWriting, false, text_format::kAscii)->Write("short");
  EXPECT_EQ(Read(path), "short") << "the stream closes when dropped";
  auto stream = files_.OpenTextFile(path, io_mode::kForAppending, false, text_format::kAscii);
  stream->Write(" and more");
  stream->Close();
  EXPECT_EQ(Read(path), "short and more");
  EXPECT_NO_THROW(stream->Close());
  EXPECT_EQ(Failure([&] { stream->Write("late"); }, path), 5);
}

TEST_F(LocalFileSystemTest, FailuresRaiseTheRuntimeNumbers) {
  Put(Path("file.txt"), "x");
  const struct {
    std::string path;
    int mode;
    bool create;
    int format;
    int number;
  } cases[] = {
      {Path("absent/m.txt"), io_mode::kForWriting, true, text_format::kAscii, 76},
      {Path("absent/m.txt"), io_mode::kForAppending, false, text_format::kAscii, 76},
      {Path("file.txt/m.txt"), io_mode::kForWriting, true, text_format::kAscii, 76},
      {folder_.string(), io_mode::kForWriting, true, text_format::kAscii, 75},
      {Path("m.txt"), io_mode::kForWriting, false, text_format::kAscii, 53},
      {Path("file.txt"), io_mode::kForReading, false, text_format::kAscii, 5},
      {Path("file.txt"), io_mode::kForWriting, true, text_format::kUnicode, 5},
      {Path("m.txt") + std::string(1, '\0') + "x", io_mode::kForWriting, true, text_format::kAscii, 5},
      {"/dev/full", io_mode::kForWriting, false, text_format::kAscii, 75},  // the write meets a full disk
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Failure([&] { files_.OpenTextFile(c.path, c.mode, c.create, c.format)->Write("x"); }, c.path), c.number);
  }
  EXPECT_FALSE(fs::exists(Path("m.txt"))) << "a refused open creates nothing";
  EXPECT_EQ(Read(Path("file.txt")), "x") << "a refused open truncates nothing";
}

// Runs the check as an unprivileged user, since the superuser may write any file.
int RunAsNobody(const std::function<bool()>& check) {
  const pid_t child = fork();
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(check() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(LocalFileSystemTest, ReadOnlyFileOrFolderIsPermissionDenied) {
  const std::string locked = Path("locked.txt"), fresh = Path("new.txt");
  Put(locked, "kept");
  chmod(folder_.c_str(), getuid() == 0 ? 0755 : 0555);
  chmod(locked.c_str(), 0444);
  const int status = RunAsNobody([&] {
    LocalFileSystem files;
    const auto open = [&](const std::string& path) {
      return Failure([&] { files.OpenTextFile(path, io_mode::kForWriting, true, text_format::kAscii); }, path);
    };
    return open(locked) == 70 && open(fresh) == 70;
  });
  chmod(folder_.c_str(), 0700);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Read(locked), "kept");
}

}  // namespace
}  // namespace quorvel::platform
