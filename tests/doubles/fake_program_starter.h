#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/program_start.h"
#include "quorvel/error.h"

namespace quorvel::testing {

// Records the argument vector of every program it is asked to start; starts nothing.
class FakeProgramStarter : public platform::ProgramStarter {
 public:
  void StartProgram(const std::vector<std::string>& argv) override {
    started.push_back(argv);
    if (failure) throw *failure;
  }

  std::vector<std::vector<std::string>> started;
  std::optional<AutomationError> failure;
};

}  // namespace quorvel::testing
