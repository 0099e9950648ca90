#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"
#include "quorvel/error.h"

namespace quorvel::testing {

// Records every URL it is asked to open and answers as scripted.
class FakeShell : public platform::Shell {
 public:
  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override {
    opened.push_back(operation + " " + file);
    if (failure) throw *failure;
    return answer;
  }

  std::vector<std::string> opened;
  std::intptr_t answer = platform::shell_answer::kStarted;
  std::optional<AutomationError> failure;
};

}  // namespace quorvel::testing
