#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/linux/message_box.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// zenity when it is there, else kdialog: started without a shell and waited for; a dialog the user
// confirmed leaves nothing on standard error, one that failed leaves the message there. Without a
// graphical session no dialog program is started, even where one is installed.
TEST(DesktopMessageBox, ShowsTheDesktopDialogWithThePromptUnchangedOrWritesToStandardError) {
  const std::string prompt = "Needs 'Smith & <Co>'\r\n\r\n$HOME \\n \"quoted\"", on_stderr = "A & B\n" + prompt + "\n";
  const quorvel::testing::TempDir dir;
  quorvel::testing::ScopedEnv env;
  env.Set("PATH", dir.path().string() + ":" + std::getenv("PATH"));
  const std::string zenity = "--info\0--no-markup\0--title=A & B\0--text="s + prompt + '\0';
  const struct {
    const char* program;  // added to PATH, writing its arguments beside itself and exiting with the status
    int status;
    std::optional<std::string> display, wayland_display;
    std::string record, error_output;
  } cases[] = {
      {"kdialog", 3, ":99", std::nullopt, "--title\0A & B\0--msgbox\0"s + prompt + '\0', on_stderr},
      {"zenity", 0, ":99", std::nullopt, zenity, ""},
      {"zenity", 0, std::nullopt, "wayland-0", zenity, ""},
      {"zenity", 0, std::nullopt, "", "", on_stderr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program + (" on " + c.display.value_or(c.wayland_display.value_or("no display"))));
    const fs::path program = dir / c.program, record = program.string() + ".record";
    quorvel::testing::WriteFile(
        program, "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.record\"\nexit " + std::to_string(c.status) + "\n");
    fs::permissions(program, fs::perms(0755));
    fs::remove(record);
    env.Set("DISPLAY", c.display);
    env.Set("WAYLAND_DISPLAY", c.wayland_display);
    ::testing::internal::CaptureStderr();
    DesktopMessageBox().Show(prompt, "A & B");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.error_output);
    EXPECT_EQ(quorvel::testing::ReadFile(record), c.record);
  }
}

}  // namespace
}  // namespace quorvel::platform
