#include "tests/sandbox/desktop.h"

#include <cstdlib>
#include <stdexcept>

namespace quorvel::testing {

namespace fs = std::filesystem;

Desktop::Desktop(const std::vector<Client>& clients, const fs::path& runtime)
    : runtime_(runtime.empty() ? root() / "runtime" : runtime) {
  for (const char* folder :
       {"home", "data/applications", "data-dir", "config", "config-dir", "tmp", "bin", "records"}) {
    fs::create_directories(root() / folder);
  }
  fs::create_directories(runtime_);
  // The base directory rules want the runtime folder private to its user.
  fs::permissions(runtime_, fs::perms::owner_all);
  for (const auto& [id, name] : clients) {
    const fs::path program = root() / "bin" / id;
    // dash's builtin printf; the folder, made by mkdtemp, needs no quoting beyond this.
    WriteFile(program, "#!/bin/sh\nprintf '%s\\000' \"$@\" >'" + (root() / "records" / id).string() + "'\n");
    fs::permissions(program, fs::perms(0755));
    WriteFile(root() / "data/applications" / (id + ".desktop"), "[Desktop Entry]\nType=Application\nName=" + name +
                                                                    "\nExec=" + program.string() +
                                                                    " %u\nMimeType=x-scheme-handler/mailto;\n");
  }
  WriteFile(root() / "config/mimeapps.list",
            "[Default Applications]\nx-scheme-handler/mailto=" + clients.front().id + ".desktop\n");
  // Without the MIME cache GIO finds no handler by type.
  if (std::system(("update-desktop-database -q '" + (root() / "data/applications").string() + "'").c_str()) != 0) {
    throw std::runtime_error("update-desktop-database failed");
  }
}

std::map<std::string, std::optional<std::string>> Desktop::Variables() const {
  std::map<std::string, std::optional<std::string>> variables{
      {"HOME", (root() / "home").string()},
      {"XDG_DATA_HOME", (root() / "data").string()},
      {"XDG_DATA_DIRS", (root() / "data-dir").string()},
      {"XDG_CONFIG_HOME", (root() / "config").string()},
      {"XDG_CONFIG_DIRS", (root() / "config-dir").string()},
      {"XDG_RUNTIME_DIR", runtime_.string()},
      {"TMPDIR", (root() / "tmp").string()},
      {"QUORVEL_MACHINE_HIVE", (root() / "machine.reg").string()},
      {"QUORVEL_USER_HIVE", (root() / "user.reg").string()},
  };
  // What would let a program reach the real desktop, a session bus or another mail handler.
  for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID", "KDE_FULL_SESSION",
                           "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "BROWSER", "MAILER"}) {
    variables[name] = std::nullopt;
  }
  return variables;
}

}  // namespace quorvel::testing
