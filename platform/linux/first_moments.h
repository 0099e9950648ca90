// A program started for the user is watched for its first moments: one that ends with a failure status
// at once (a mail client that cannot reach a display, say) has opened nothing, though it did start.
#pragma once

#include <sys/types.h>

#include <optional>

#include "platform/program_start.h"

namespace quorvel::platform {

// pid is a child of this process that nothing else reaps. Answers its exit status (128 + the signal
// for one killed) when it ended with a failure within kStartGrace; nothing when it ended well or runs
// on. A program that runs on is reaped when it ends, so it never stays a zombie.
std::optional<int> FailureWithinGrace(pid_t pid);

}  // namespace quorvel::platform
