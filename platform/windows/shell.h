// Opens a URL with the handler Windows has for its scheme, through ShellExecuteExW: the URL unchanged,
// no dialog of the shell's (the caller reports a failure itself).
#pragma once

#include "platform/shell.h"

namespace quorvel::platform {

class SystemShell : public Shell {
 public:
  // Answers as ShellExecuteW does: the shell's own code, above 32 when the handler was started.
  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override;
  // A handler the shell started as a program of its own is watched for its first moments; one that an
  // already running program took over (through DDE, say) cannot be.
  Opening OpenWatched(const std::string& url) override;

 private:
  Opening Open(const std::string& operation, const std::string& file, bool watched);
};

}  // namespace quorvel::platform
