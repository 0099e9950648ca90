#include "tests/sandbox/xdg_sandbox.h"

#include <cstdlib>
#include <stdexcept>

namespace quorvel::testing {

namespace fs = std::filesystem;

namespace {

bool sandbox_made = false;

// Variables that would let GIO reach the real desktop, a session bus, or another mail handler.
constexpr const char* kClearedVariables[] = {
    "XDG_CURRENT_DESKTOP",      "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID",
    "KDE_FULL_SESSION",         "DISPLAY",         "WAYLAND_DISPLAY",
    "DBUS_SESSION_BUS_ADDRESS", "BROWSER",         "MAILER",
};

}  // namespace

XdgSandboxTest::XdgSandboxTest() : fresh_process_(!sandbox_made) {
  sandbox_made = true;
  const fs::path root = folder_.path();
  for (const auto& [name, folder] : {std::pair{"HOME", "home"},
                                     {"XDG_DATA_HOME", "data"},
                                     {"XDG_DATA_DIRS", "data-dir"},
                                     {"XDG_CONFIG_HOME", "config"},
                                     {"XDG_CONFIG_DIRS", "config-dir"},
                                     {"XDG_RUNTIME_DIR", "runtime"}}) {
    fs::create_directories(root / folder);
    SetEnv(name, (root / folder).string());
  }
  // The base directory rules want the runtime folder private to its user.
  fs::permissions(root / "runtime", fs::perms::owner_all);
  for (const char* name : kClearedVariables) SetEnv(name, std::nullopt);
  WriteFile(root / "data/applications/mailer.desktop",
            "[Desktop Entry]\nType=Application\nName=Mailer\nExec=true %u\nMimeType=x-scheme-handler/mailto;\n");
  WriteFile(root / "config/mimeapps.list", "[Default Applications]\nx-scheme-handler/mailto=mailer.desktop\n");
  // Without the MIME cache GIO finds no handler by type.
  if (std::system(("update-desktop-database -q " + (root / "data/applications").string()).c_str()) != 0) {
    throw std::runtime_error("update-desktop-database failed");
  }
}

void XdgSandboxTest::SetUp() {
  if (fresh_process_) return;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const TempDir folder;
  const auto output = folder / "output";
  const std::string command = "'" + fs::read_symlink("/proc/self/exe").string() +
                              "' '--gtest_filter=" + test->test_suite_name() + "." + test->name() + "' >'" +
                              output.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) FAIL() << "run alone in a fresh process, it failed:\n" << ReadFile(output);
  GTEST_SKIP() << "run alone in a fresh process, where it passed";
}

}  // namespace quorvel::testing
