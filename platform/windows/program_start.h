// Starts programs with CreateProcessW: no handle of ours inherited, the environment and working folder
// inherited, a console program given a console that no one sees (its output goes nowhere, as on
// Linux's /dev/null), and the program left to itself.
#pragma once

#include <string_view>

#include "platform/program_start.h"

namespace quorvel::platform {

// The longest command line CreateProcessW takes, in UTF-16 units with its terminating NUL.
inline constexpr std::size_t kLongestCommandLine = 32767;

class SystemProgramStarter : public ProgramStarter {
 public:
  // argv[0] is found as CreateProcessW finds a program named without a folder: beside this program, in
  // the current folder, the system's folders, then on PATH, ".exe" added when it has no extension.
  // Raises 5 for a command line Windows would refuse (longer than kLongestCommandLine, or an argument
  // holding a NUL).
  void StartProgram(const std::vector<std::string>& argv) override;
  std::optional<int> StartWatched(const std::vector<std::string>& argv) override;
};

// The argument as it goes on a command line, so that the Microsoft C runtime's parsing (and
// CommandLineToArgvW's) gives it back unchanged: as it is when it holds no blank, tab or double quote,
// else in double quotes, with each quote escaped and the backslashes before one or before the closing
// quote doubled.
std::string QuotedArgument(std::string_view argument);

}  // namespace quorvel::platform
