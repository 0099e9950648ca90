#include "platform/linux/program_start.h"

#include "platform/linux/first_moments.h"
#include "platform/linux/glib_owners.h"
#include "platform/linux/shell.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {

AutomationError BadArgument(const std::string& problem) {
  return RuntimeError(error_number::kInvalidProcedureCall, problem);
}

// Starts the program with its standard streams on /dev/null. Without G_SPAWN_DO_NOT_REAP_CHILD in
// extraFlags GLib starts it from an intermediate child it reaps itself, so it never becomes a zombie
// of this process; with it, pid is the program's and the caller reaps it.
void Spawn(const std::vector<std::string>& argv, GSpawnFlags extraFlags, GPid* pid) {
  if (argv.empty()) throw RuntimeError(error_number::kFileNotFound);
  std::vector<char*> pointers;
  for (const auto& argument : argv) {
    if (argument.size() > kLargestArgument) throw BadArgument("argument too long");
    if (argument.find('\0') != std::string::npos) throw BadArgument("argument holds a NUL character");
    pointers.push_back(const_cast<char*>(argument.c_str()));
  }
  pointers.push_back(nullptr);
  const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL |
                                              G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL | extraFlags);
  // GLib's own reason is not kept: whatever stopped the start, the runtime reports 53 alone.
  if (!g_spawn_async(nullptr, pointers.data(), nullptr, flags, nullptr, nullptr, pid, nullptr)) {
    throw RuntimeError(error_number::kFileNotFound);
  }
}

}  // namespace

void SpawningProgramStarter::StartProgram(const std::vector<std::string>& argv) {
  Spawn(argv, static_cast<GSpawnFlags>(0), nullptr);
}

std::optional<int> SpawningProgramStarter::StartWatched(const std::vector<std::string>& argv) {
  GPid pid = 0;
  Spawn(argv, G_SPAWN_DO_NOT_REAP_CHILD, &pid);
  return FailureWithinGrace(pid);
}

}  // namespace quorvel::platform
