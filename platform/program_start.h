// Program-start seam: starts a program with its arguments and does not wait for it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform {

// How long a watched start is watched. A few times what failing clients were measured to need: Claws
// Mail and Sylpheed without a display end with status 1 after 55-85 ms. Every watched start waits this
// long when the program runs on.
inline constexpr std::chrono::milliseconds kStartGrace{300};

// The arguments of a command line: separated by blanks and tabs outside double quotes; double quotes
// group and are removed (so "" is an empty argument). Nothing else is special: backslashes and single
// quotes are kept as they are, since paths hold them, and no shell expands anything.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;

  // argv[0] is the program, found on PATH unless it holds a slash. Raises 53 "File not found", the
  // runtime's text alone, when it cannot be started for whatever reason (missing, not executable,
  // not permitted): the caller's trail already shows the command.
  virtual void StartProgram(const std::vector<std::string>& argv) = 0;

  // Starts the program as StartProgram does, then watches it for its first moments where the system
  // lets it: answers its exit status when it ended with a failure in that time, nothing when it runs
  // on or ended well. A starter that cannot watch answers nothing.
  virtual std::optional<int> StartWatched(const std::vector<std::string>& argv) {
    StartProgram(argv);
    return std::nullopt;
  }

  // Splits the command line and starts it; raises 53 "File not found" when it is empty, and passes
  // StartProgram's errors on as they are.
  void StartCommandLine(const std::string& commandLine);
};

}  // namespace quorvel::platform
