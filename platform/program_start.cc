#include "platform/program_start.h"

#include "quorvel/error.h"

namespace quorvel::platform {

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
  if (argv.empty()) throw RuntimeError(error_number::kFileNotFound);
  StartProgram(argv);
}

}  // namespace quorvel::platform
