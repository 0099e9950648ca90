#include "bench/desktop.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace quorvel::bench {

namespace fs = std::filesystem;

namespace {

// What would let a program reach the real desktop, a session bus or another mail handler.
constexpr const char* kClearedVariables[] = {
    "XDG_CURRENT_DESKTOP",      "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID",
    "KDE_FULL_SESSION",         "DISPLAY",         "WAYLAND_DISPLAY",
    "DBUS_SESSION_BUS_ADDRESS", "BROWSER",         "MAILER",
};

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

namespace {
fs::path NewFolder(const fs::path& parent) {
  std::string pattern = (parent / "quorvel-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder in " + parent.string());
  return pattern;
}
}  // namespace

Desktop::Desktop() : root_(NewFolder(fs::temp_directory_path())) {
  std::error_code no_tmpfs;
  runtime_ = fs::is_directory("/dev/shm", no_tmpfs) ? NewFolder("/dev/shm") : root_ / "runtime";
  for (const char* folder :
       {"home", "data/applications", "data-dir", "config", "config-dir", "tmp", "bin", "records"}) {
    fs::create_directories(root_ / folder);
  }
  fs::create_directories(runtime_);
  // The base directory rules want the runtime folder private to its user (mkdtemp made it so).
  fs::permissions(runtime_, fs::perms::owner_all);
}

Desktop::~Desktop() {
  std::error_code ignored;
  fs::remove_all(runtime_, ignored);
  fs::remove_all(root_, ignored);
}

void Desktop::AddClient(const std::string& id, const std::string& name) {
  const fs::path program = root_ / "bin" / id;
  // One process, dash's builtin printf: the record is complete when the file is closed.
  WriteFile(program, "#!/bin/sh\nprintf '%s\\000' \"$@\" >" + ShellQuoted((records() / id).string()) + "\n");
  fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  WriteFile(root_ / "data" / "applications" / (id + ".desktop"), "[Desktop Entry]\nType=Application\nName=" + name +
                                                                     "\nExec=" + program.string() +
                                                                     " %u\nMimeType=x-scheme-handler/mailto;\n");
}

void Desktop::SetDefault(const std::string& id) {
  WriteFile(root_ / "config" / "mimeapps.list", "[Default Applications]\nx-scheme-handler/mailto=" + id + ".desktop\n");
}

void Desktop::Refresh() const {
  const std::string folder = (root_ / "data" / "applications").string();
  char program[] = "update-desktop-database";
  char quiet[] = "-q";
  char* const argv[] = {program, quiet, const_cast<char*>(folder.c_str()), nullptr};
  pid_t child = 0;
  int status = 0;
  if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0)
    throw std::runtime_error("cannot run update-desktop-database");
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("lost update-desktop-database");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("update-desktop-database failed");
}

std::map<std::string, std::string> Desktop::Variables() const {
  std::map<std::string, std::string> variables{
      {"HOME", (root_ / "home").string()},
      {"XDG_DATA_HOME", (root_ / "data").string()},
      {"XDG_DATA_DIRS", (root_ / "data-dir").string()},
      {"XDG_CONFIG_HOME", (root_ / "config").string()},
      {"XDG_CONFIG_DIRS", (root_ / "config-dir").string()},
      {"XDG_RUNTIME_DIR", runtime().string()},
      {"TMPDIR", (root_ / "tmp").string()},
      {"QUORVEL_MACHINE_HIVE", machine_hive().string()},
      {"QUORVEL_USER_HIVE", user_hive().string()},
  };
  for (const char* name : kClearedVariables) variables[name] = "";
  return variables;
}

void Desktop::Enter() const {
  for (const auto& [name, value] : Variables()) {
    if (value.empty()) {
      ::unsetenv(name.c_str());
    } else {
      ::setenv(name.c_str(), value.c_str(), 1);
    }
  }
}

std::vector<std::string> Desktop::ChildEnvironment(const std::map<std::string, std::string>& extra) const {
  auto variables = Variables();
  for (const auto& [name, value] : extra) variables[name] = value;
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    if (!variables.contains(text.substr(0, text.find('=')))) environment.push_back(text);
  }
  for (const auto& [name, value] : variables) {
    if (!value.empty()) environment.push_back(name + "=" + value);
  }
  return environment;
}

}  // namespace quorvel::bench
