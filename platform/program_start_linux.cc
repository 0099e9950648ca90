#include "platform/program_start_linux.h"

#include "platform/glib_owners_linux.h"
#include "platform/shell_linux.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {
AutomationError BadArgument(const std::string& problem) {
  return RuntimeError(error_number::kInvalidProcedureCall, problem);
}
}  // namespace

void SpawningProgramStarter::StartProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) throw RuntimeError(error_number::kFileNotFound);
  std::vector<char*> pointers;
  for (const auto& argument : argv) {
    if (argument.size() > kLargestArgument) throw BadArgument("argument too long");
    if (argument.find('\0') != std::string::npos) throw BadArgument("argument holds a NUL character");
    pointers.push_back(const_cast<char*>(argument.c_str()));
  }
  pointers.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD, GLib starts the program from an intermediate child it reaps
  // itself, so the program never becomes a zombie of this process.
  const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL |
                                              G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);
  // GLib's own reason is not kept: whatever stopped the start, the runtime reports 53 alone.
  if (!g_spawn_async(nullptr, pointers.data(), nullptr, flags, nullptr, nullptr, nullptr, nullptr)) {
    throw RuntimeError(error_number::kFileNotFound);
  }
}

}  // namespace quorvel::platform
