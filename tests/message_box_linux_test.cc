#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/message_box_linux.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using quorvel::testing::ReadFile;
using quorvel::testing::WriteFile;

const std::string kPrompt = "Needs 'Smith & <Co>'\r\n\r\n$HOME \\n \"quoted\"";

// A dialog program that writes its arguments, NUL-separated, beside itself and exits as told.
fs::path RecordingProgram(const fs::path& folder, const std::string& name, int status) {
  const fs::path program = folder / name;
  WriteFile(program, "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.record\"\nexit " + std::to_string(status) + "\n");
  fs::permissions(program, fs::perms(0755));
  return program;
}

// zenity when it is there, else kdialog: started without a shell and waited for; a dialog the user
// confirmed leaves nothing on standard error, one that failed leaves the message there.
TEST(DesktopMessageBox, ShowsTheDesktopDialogWithThePromptUnchanged) {
  const quorvel::testing::TempDir dir;
  quorvel::testing::ScopedEnv env;
  env.Set("PATH", dir.path().string() + ":" + std::getenv("PATH"));
  env.Set("DISPLAY", ":99");
  env.Set("WAYLAND_DISPLAY", std::nullopt);

  const fs::path kdialog = RecordingProgram(dir.path(), "kdialog", 3);
  ::testing::internal::CaptureStderr();
  DesktopMessageBox().Show(kPrompt, "A & B");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "A & B\n" + kPrompt + "\n");
  EXPECT_EQ(ReadFile(kdialog.string() + ".record"), "--title\0A & B\0--msgbox\0"s + kPrompt + '\0');

  const fs::path zenity = RecordingProgram(dir.path(), "zenity", 0);
  ::testing::internal::CaptureStderr();
  DesktopMessageBox().Show(kPrompt, "A & B");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(ReadFile(zenity.string() + ".record"), "--info\0--no-markup\0--title=A & B\0--text="s + kPrompt + '\0');
}

// Without a graphical session no dialog program is started, even where one is installed.
TEST(DesktopMessageBox, WritesTitleAndPromptToStandardErrorWithoutADisplay) {
  const quorvel::testing::TempDir dir;
  quorvel::testing::ScopedEnv env;
  env.Set("PATH", dir.path().string() + ":" + std::getenv("PATH"));
  env.Set("DISPLAY", std::nullopt);
  env.Set("WAYLAND_DISPLAY", "");
  const fs::path zenity = RecordingProgram(dir.path(), "zenity", 0);

  ::testing::internal::CaptureStderr();
  DesktopMessageBox().Show(kPrompt, "Title");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Title\n" + kPrompt + "\n");
  EXPECT_FALSE(fs::exists(zenity.string() + ".record"));
}

}  // namespace
}  // namespace quorvel::platform
