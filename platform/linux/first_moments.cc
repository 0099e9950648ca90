#include "platform/linux/first_moments.h"

#include <sys/wait.h>

#include <cerrno>
#include <thread>

namespace quorvel::platform {

namespace {

constexpr std::chrono::milliseconds kPollEvery{5};

std::optional<int> FailureStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status) == 0 ? std::nullopt : std::optional(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return std::nullopt;
}

void ReapWhenItEnds(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

std::optional<int> FailureWithinGrace(pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + kStartGrace;
  for (;;) {
    int status = 0;
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid) return FailureStatus(status);
    // Reaped by someone else (a host that ignores SIGCHLD): nothing is known of how it ended.
    if (ended < 0 && errno != EINTR) return std::nullopt;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(kPollEvery);
  }
  ReapWhenItEnds(pid);
  return std::nullopt;
}

}  // namespace quorvel::platform
