#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "platform/windows/file_system.h"
#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;

// Every path of the suite holds characters beyond ASCII, so each call shows the UTF-8 seam holds.
class LocalFileSystemTest : public ::testing::Test {
 protected:
  LocalFileSystemTest() { fs::create_directory(dir_); }
  ~LocalFileSystemTest() override { fs::remove_all(dir_); }

  std::string Path(const std::string& relative) const { return Narrow((dir_ / Widen(relative)).wstring()); }
  void Write(const std::string& relative, const std::string& bytes) const {
    std::ofstream(dir_ / Widen(relative), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& relative) const {
    std::ostringstream bytes;
    bytes << std::ifstream(dir_ / Widen(relative), std::ios::binary).rdbuf();
    return bytes.str();
  }

  const fs::path dir_ = fs::temp_directory_path() / (L"quorvel-Grüße-Ω-" + std::to_wstring(std::random_device()()));
  LocalFileSystem files_;
};

// The number the action raised, 0 for none; -1 when the description does not name the path.
int Failure(const std::function<void()>& action, const std::string& path) {
  try {
    action();
  } catch (const AutomationError& e) {
    return e.description().starts_with(StandardDescription(e.number()) + ": " + path) ? e.number() : -1;
  }
  return 0;
}

TEST_F(LocalFileSystemTest, FailuresRaiseTheRuntimeNumbers) {
  Write("file.txt", "x");
  const struct {
    std::string path;
    int mode;
    bool create;
    int format, number;
  } cases[] = {
      {Path("absent\\m.txt"), io_mode::kForWriting, true, text_format::kAscii, 76},
      {Path("absent\\m.txt"), io_mode::kForAppending, false, text_format::kAscii, 76},
      {Path("file.txt\\m.txt"), io_mode::kForWriting, true, text_format::kAscii, 76},
      {Path(""), io_mode::kForWriting, true, text_format::kAscii, 75},
      {Path("m.txt"), io_mode::kForWriting, false, text_format::kAscii, 53},
      {Path("file.txt"), io_mode::kForReading, false, text_format::kAscii, 5},
      {Path("file.txt"), io_mode::kForWriting, true, text_format::kUnicode, 5},
      {Path("m.txt") + std::string(1, '\0') + "x", io_mode::kForWriting, true, text_format::kAscii, 5},
      {"NUL", io_mode::kForWriting, false, text_format::kAscii, 75},  // a device, no file
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Failure([&] { files_.OpenTextFile(c.path, c.mode, c.create, c.format)->Write("x"); }, c.path), c.number)
        << c.path;
  }
  EXPECT_FALSE(fs::exists(dir_ / L"m.txt")) << "a refused open creates nothing";
  EXPECT_EQ(Read("file.txt"), "x") << "a refused open empties nothing";
}

// A name planted as a link is never written through, dangling or not, whether or not it may be created.
TEST_F(LocalFileSystemTest, RefusesLinksForWriting) {
  Write("victim", "keep");
  fs::create_hard_link(dir_ / L"victim", dir_ / L"hard.msg");
  std::vector<std::string> refused = {Path("hard.msg")};
  // libstdc++ makes no symbolic links on Windows, so they are made here where the system allows it.
  // Wine 8 answers success and makes nothing, so a link counts only once it is seen.
  const auto symlink = [&](const wchar_t* link, const wchar_t* target) {
    CreateSymbolicLinkW((dir_ / link).c_str(), (dir_ / target).c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    const DWORD attributes = GetFileAttributesW((dir_ / link).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  };
  const bool symlinks = symlink(L"link.msg", L"victim") && symlink(L"dangling.msg", L"made-through-link");
  if (symlinks) refused.insert(refused.end(), {Path("link.msg"), Path("dangling.msg")});
  for (const auto& path : refused) {
    for (const bool create : {true, false}) {
      EXPECT_EQ(Failure([&] { files_.OpenTextFile(path, io_mode::kForWriting, create, text_format::kAscii); }, path),
                75)
          << path << " create " << create;
    }
  }
  EXPECT_EQ(Read("victim"), "keep");
  EXPECT_FALSE(fs::exists(dir_ / L"made-through-link"));
  if (!symlinks) GTEST_SKIP() << "the hard link was refused; this system made no symbolic link to try";
}

// A file is made or emptied for writing and added to for appending; the checks and names take both separators.
TEST_F(LocalFileSystemTest, WritesAppendsAndNamesFiles) {
  Write("old.msg", "a longer old text");
  for (const auto& [name, mode, expected] : {std::tuple{"old.msg", io_mode::kForWriting, "new"},
                                             {"néw.msg", io_mode::kForWriting, "new"},
                                             {"old.msg", io_mode::kForAppending, "newnew"}}) {
    auto stream = files_.OpenTextFile(Path(name), mode, true, text_format::kAscii);
    stream->Write("new");
    stream->Close();
    EXPECT_EQ(Failure([&] { stream->Write("late"); }, Path(name)), 5) << "a closed stream refuses";
    EXPECT_EQ(Read(name), expected) << name;
  }
  EXPECT_TRUE(files_.FileExists(Path("néw.msg")));
  EXPECT_FALSE(files_.FileExists(Path("")));
  EXPECT_FALSE(files_.FileExists(Path("absent.msg")));
  for (const auto& [path, name] : {std::pair{"C:\\mail\\Grüße.txt", "Grüße.txt"},
                                   {"C:/mail/m.txt", "m.txt"},
                                   {"mail\\out/", "out"},
                                   {"m.txt", "m.txt"}}) {
    EXPECT_EQ(files_.GetFileName(path), name) << path;
  }
}

}  // namespace
}  // namespace quorvel::platform
