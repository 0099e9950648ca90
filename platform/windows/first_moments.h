// A program started for the user is watched for its first moments: one that ends with a failure status
// at once has opened nothing, though it did start.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/program_start.h"

namespace quorvel::platform {

// Answers the exit code of the started program when it ended with a nonzero one within kStartGrace;
// nothing when it ended well or runs on. The caller still owns the handle.
inline std::optional<int> FailureWithinGrace(HANDLE process) {
  DWORD code = 0;
  if (WaitForSingleObject(process, static_cast<DWORD>(kStartGrace.count())) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process, &code) || code == 0) {
    return std::nullopt;
  }
  return static_cast<int>(code);
}

}  // namespace quorvel::platform
