#include "platform/program_start_linux.h"

#include <glib.h>

#include "platform/shell_linux.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {
AutomationError NotFound(const std::string& what) {
  return AutomationError(error_number::kFileNotFound, StandardDescription(error_number::kFileNotFound) + ": " + what);
}

AutomationError BadArgument(const std::string& problem) {
  return AutomationError(error_number::kInvalidProcedureCall,
                         StandardDescription(error_number::kInvalidProcedureCall) + ": " + problem);
}
}  // namespace

// The seam's own parts live here too, the seam having no other source file.

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  for (const char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

void ProgramStarter::StartCommandLine(const std::string& commandLine) {
  const auto argv = SplitCommandLine(commandLine);
  if (argv.empty()) throw NotFound(commandLine);
  try {
    StartProgram(argv);
  } catch (const AutomationError& error) {
    if (error.number() == error_number::kFileNotFound) throw NotFound(commandLine);
    throw;
  }
}

void SpawningProgramStarter::StartProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) throw NotFound("");
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
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, pointers.data(), nullptr, flags, nullptr, nullptr, nullptr, &error)) {
    g_error_free(error);
    throw NotFound(argv[0]);
  }
}

}  // namespace quorvel::platform
