#include "platform/windows/program_start.h"

#include <windows.h>

#include "platform/windows/first_moments.h"
#include "platform/windows/unique_handle.h"
#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {

AutomationError BadArgument(const std::string& problem) {
  return RuntimeError(error_number::kInvalidProcedureCall, problem);
}

std::wstring CommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (argv[i].find('\0') != std::string::npos) throw BadArgument("argument holds a NUL character");
    line += (i == 0 ? "" : " ") + QuotedArgument(argv[i]);
  }
  std::wstring wide = Widen(line);
  if (wide.size() + 1 > kLongestCommandLine) throw BadArgument("command line too long");
  return wide;
}

// The started program's process. Whatever stopped the start, the runtime reports 53 alone.
UniqueHandle Start(const std::vector<std::string>& argv) {
  if (argv.empty()) throw RuntimeError(error_number::kFileNotFound);
  std::wstring line = CommandLine(argv);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // No application name: CreateProcessW then finds argv[0] itself, as a program named on a command line.
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &started)) {
    throw RuntimeError(error_number::kFileNotFound);
  }
  const UniqueHandle thread(started.hThread);
  return UniqueHandle(started.hProcess);
}

}  // namespace

std::string QuotedArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote: there each stands for itself doubled, and the quote is escaped.
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + '"';
}

void SystemProgramStarter::StartProgram(const std::vector<std::string>& argv) { Start(argv); }

std::optional<int> SystemProgramStarter::StartWatched(const std::vector<std::string>& argv) {
  return FailureWithinGrace(Start(argv).get());
}

}  // namespace quorvel::platform
