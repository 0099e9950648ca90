// Starts programs with GLib: the standard streams on /dev/null, the environment and working folder
// inherited, and the program left to itself, never a zombie of ours.
#pragma once

#include "platform/program_start.h"

namespace quorvel::platform {

class SpawningProgramStarter : public ProgramStarter {
 public:
  // Raises 5 for an argument the kernel would refuse (longer than kLargestArgument, or holding a NUL).
  void StartProgram(const std::vector<std::string>& argv) override;
  std::optional<int> StartWatched(const std::vector<std::string>& argv) override;
};

}  // namespace quorvel::platform
