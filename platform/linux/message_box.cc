#include "platform/linux/message_box.h"

#include <cstdlib>
#include <iostream>
#include <vector>

#include "platform/linux/glib_owners.h"

namespace quorvel::platform {

namespace {
bool GraphicalSession() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// Started directly, no shell in between, and waited for; true when the user confirmed it.
bool RunDialog(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const auto& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  const auto flags =
      static_cast<GSpawnFlags>(G_SPAWN_STDIN_FROM_DEV_NULL | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);
  int status = 0;
  glib::Error error;
  return g_spawn_sync(nullptr, pointers.data(), nullptr, flags, nullptr, nullptr, nullptr, nullptr, &status,
                      error.out()) &&
         g_spawn_check_wait_status(status, nullptr);
}

// The dialog program's argument vector, or none when there is no graphical session (neither DISPLAY
// nor WAYLAND_DISPLAY set) or no dialog program on PATH.
std::vector<std::string> DialogCommand(const std::string& prompt, const std::string& title) {
  if (!GraphicalSession()) return {};
  // The prompt is plain text: without --no-markup zenity would take an '&' or '<' in it (the host's
  // application name goes into it) for markup and show an empty dialog.
  if (const glib::Text zenity{g_find_program_in_path("zenity")}) {
    return {zenity.get(), "--info", "--no-markup", "--title=" + title, "--text=" + prompt};
  }
  if (const glib::Text kdialog{g_find_program_in_path("kdialog")}) {
    return {kdialog.get(), "--title", title, "--msgbox", prompt};
  }
  return {};
}
}  // namespace

void DesktopMessageBox::Show(const std::string& prompt, const std::string& title) {
  // A dialog that could not be shown (no display reachable, the program failed, the window closed
  // without OK) still leaves the message where the user can read it.
  if (const auto argv = DialogCommand(prompt, title); !argv.empty() && RunDialog(argv)) return;
  std::cerr << title << '\n' << prompt << '\n';
}

}  // namespace quorvel::platform
