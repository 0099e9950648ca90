#include "tests/sandbox/xdg_sandbox.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <thread>

extern char** environ;

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

// Programs anyone may run, so a test may drop its privileges and still see the clients.
constexpr fs::perms kProgramPermissions = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                          fs::perms::others_read | fs::perms::others_exec;

// Single-quoted for the shell.
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

XdgSandbox::XdgSandbox() : root_(folder_.path()), fresh_process_(!sandbox_made) {
  sandbox_made = true;
  for (const auto& folder : {home(), applications(), data_dir(), config_home(), config_dir(), runtime_dir(),
                             root_ / "bin", root_ / "records"}) {
    fs::create_directories(folder);
  }
  // The base directory rules want the runtime folder private to its user.
  fs::permissions(runtime_dir(), fs::perms::owner_all);

  SetEnv("HOME", home().string());
  SetEnv("XDG_DATA_HOME", data_home().string());
  SetEnv("XDG_DATA_DIRS", data_dir().string());
  SetEnv("XDG_CONFIG_HOME", config_home().string());
  SetEnv("XDG_CONFIG_DIRS", config_dir().string());
  SetEnv("XDG_RUNTIME_DIR", runtime_dir().string());
  for (const char* name : kClearedVariables) SetEnv(name, std::nullopt);
}

void XdgSandbox::SetEnv(const std::string& name, const std::optional<std::string>& value) { env_.Set(name, value); }

fs::path XdgSandbox::ProgramPath(const std::string& desktopId) const {
  const auto named = named_programs_.find(desktopId);
  return named != named_programs_.end() ? named->second : root_ / "bin" / desktopId;
}

fs::path XdgSandbox::RecordPath(const std::string& desktopId) const {
  return root_ / "records" / (desktopId + ".args");
}

fs::path XdgSandbox::AddRecordingClient(const std::string& desktopId, const std::string& name,
                                        const std::string& execTemplate, const ClientOptions& options) {
  if (options.program_name) {
    // A folder of its own per client, so two clients may share a program name.
    const fs::path folder = root_ / "programs" / desktopId;
    fs::create_directories(folder);
    named_programs_[desktopId] = folder / *options.program_name;
  } else {
    named_programs_.erase(desktopId);
  }
  fs::path program = ProgramPath(desktopId);
  switch (options.program) {
    case ClientProgram::kRecording: {
      const std::string record = ShellQuoted(RecordPath(desktopId).string());
      // Written whole under a temporary name and then renamed, so a reader never sees half a record.
      WriteFile(program,
                "#!/bin/sh\n"
                "PATH=/usr/bin:/bin\n"
                "{ for argument do printf '%s\\000' \"$argument\"; done; } >" +
                    record +
                    ".$$ &&\n"
                    "mv -f " +
                    record + ".$$ " + record + "\n");
      fs::permissions(program, kProgramPermissions);
      break;
    }
    case ClientProgram::kMissing: program += "-missing"; break;
  }

  std::string entry = "[Desktop Entry]\nType=Application\nName=" + name +
                      "\nExec=" + Replace(execTemplate, "{program}", program.string()) +
                      "\nMimeType=x-scheme-handler/mailto;\n";
  if (options.hidden) entry += "Hidden=true\n";
  if (options.no_display) entry += "NoDisplay=true\n";
  if (options.try_exec) entry += "TryExec=" + Replace(*options.try_exec, "{program}", program.string()) + "\n";
  if (options.working_directory) entry += "Path=" + *options.working_directory + "\n";
  const fs::path path = applications() / (desktopId + ".desktop");
  WriteFile(path, entry);
  return path;
}

void XdgSandbox::SetDefault(const std::string& desktopId) {
  WriteFile(config_home() / "mimeapps.list",
            "[Default Applications]\nx-scheme-handler/mailto=" + desktopId + ".desktop\n");
}

bool XdgSandbox::Refresh() {
  const std::string folder = applications().string();
  char program[] = "update-desktop-database";
  char quiet[] = "-q";
  char* const argv[] = {program, quiet, const_cast<char*>(folder.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool XdgSandbox::HasRecord(const std::string& desktopId) const { return fs::exists(RecordPath(desktopId)); }

std::optional<std::vector<std::string>> XdgSandbox::WaitForRecord(const std::string& desktopId,
                                                                  std::chrono::milliseconds timeout) {
  const fs::path path = RecordPath(desktopId);
  const auto give_up = std::chrono::steady_clock::now() + timeout;
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() >= give_up) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  fs::remove(path);
  std::vector<std::string> arguments;
  for (std::size_t start = 0; start < bytes.size();) {
    const auto end = bytes.find('\0', start);
    if (end == std::string::npos) break;  // the script ends every argument with a NUL
    arguments.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

}  // namespace quorvel::testing
