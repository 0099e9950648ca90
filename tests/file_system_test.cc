#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "quorvel/error.h"
#include "platform/local_file_system.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using namespace io_mode;
using namespace text_format;

// What differs between the systems: Windows ends folders with "\" as well as "/", and its device is NUL.
constexpr bool kWindows = fs::path::preferred_separator == '\\';
const std::string kDevice = kWindows ? "NUL" : "/dev/full";

fs::path FromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

// The folder's name goes beyond ASCII, so that every call shows the seam's paths are UTF-8.
class LocalFileSystemTest : public ::testing::Test {
 protected:
  LocalFileSystemTest() { fs::create_directory(dir_); }
  std::string Path(const std::string& relative) const {
    const std::u8string path = (dir_ / FromUtf8(relative)).u8string();
    return {path.begin(), path.end()};
  }
  testing::TempDir temp_;
  const fs::path dir_ = temp_ / u8"Grüße-Ω";
  LocalFileSystem files_;
};

// The number the action raised, 0 for none; -1 when the description is not the runtime's text for it,
// ": " and the path, perhaps with ": " and a reason after it.
int Failure(const std::function<void()>& action, const std::string& path) {
  try {
    action();
  } catch (const AutomationError& e) {
    const std::string named = StandardDescription(e.number()) + ": " + path;
    return e.description() == named || e.description().starts_with(named + ": ") ? e.number() : -1;
  }
  return 0;
}

TEST_F(LocalFileSystemTest, FailuresRaiseTheRuntimeNumbersAndTouchNothing) {
  testing::WriteFile(dir_ / "file.txt", "x");
  fs::create_hard_link(dir_ / "file.txt", dir_ / "hard.msg");  // a file with another name is not the user's alone
  for (const auto& [path, mode, create, format, number] : {
           std::tuple{Path("absent/m.txt"), kForWriting, true, kAscii, 76},
           {Path("absent/m.txt"), kForAppending, false, kAscii, 76},
           {Path("file.txt/m.txt"), kForWriting, true, kAscii, 76},
           {Path(""), kForWriting, true, kAscii, 75},
           {Path("m.txt"), kForWriting, false, kAscii, 53},
           {Path("file.txt"), kForReading, false, kAscii, 5},
           {Path("file.txt"), kForWriting, true, kUnicode, 5},
           {Path("m.txt") + '\0' + "x", kForWriting, true, kAscii, 5},
           {kDevice, kForWriting, false, kAscii, 75},
           {Path("hard.msg"), kForWriting, true, kAscii, 75},
           {Path("hard.msg"), kForAppending, false, kAscii, 75},
       }) {
    EXPECT_EQ(Failure([&] { files_.OpenTextFile(path, mode, create, format)->Write("x"); }, path), number) << path;
  }
  EXPECT_FALSE(fs::exists(dir_ / "m.txt")) << "a refused open creates nothing";
  EXPECT_EQ(ReadFile(dir_ / "file.txt"), "x") << "a refused open empties nothing";
}

// A file is made or emptied for writing, shorter text leaving no tail, and added to for appending.
TEST_F(LocalFileSystemTest, WritesAppendsAndNamesFiles) {
  testing::WriteFile(dir_ / "old.msg", "a longer old text");
  for (const auto& [name, mode, expected] : {std::tuple{"old.msg", kForWriting, "new"},
                                             {"néw.msg", kForWriting, "new"},
                                             {"old.msg", kForAppending, "newnew"}}) {
    auto stream = files_.OpenTextFile(Path(name), mode, true, kSystemDefault);
    stream->Write("new");
    stream->Close();
    EXPECT_EQ(Failure([&] { stream->Write("late"); }, Path(name)), 5) << "a closed stream refuses";
    EXPECT_EQ(ReadFile(FromUtf8(Path(name))), expected) << name;
  }
  for (const auto& [path, exists] : {std::pair{Path("néw.msg"), true},
                                     {Path(""), false},
                                     {Path("absent.msg"), false},
                                     {Path("néw.msg") + '\0', false}}) {
    EXPECT_EQ(files_.FileExists(path), exists) << path;
  }
  for (const auto& [path, name] :
       {std::pair{Path("néw.msg"), "néw.msg"}, {"mail/out/", "out"}, {"a\\b", kWindows ? "b" : "a\\b"}}) {
    EXPECT_EQ(files_.GetFileName(path), name) << path;
  }
}

}  // namespace
}  // namespace quorvel::platform
