// The one owner of a file descriptor: closed when the owner goes, unless closed or released before;
// and the one owner of a folder listing, which holds a descriptor of its own.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>
#include <utility>

namespace quorvel::platform {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

  // Closes now so the caller can see a failure: 0, or the errno. Linux releases the descriptor even
  // when close fails, so it is never tried twice; EINTR is not a lost write.
  int Close() {
    if (fd_ < 0) return 0;
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 || errno == EINTR ? 0 : errno;
  }

  // Hands the descriptor to another owner, such as a listing made from it.
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

struct CloseListing {
  void operator()(DIR* listing) const { ::closedir(listing); }
};
using UniqueDir = std::unique_ptr<DIR, CloseListing>;

// Writes all of the text to the descriptor, again after an interruption: 0, or the errno (ENOSPC for
// a write that wrote nothing).
inline int WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : ENOSPC;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace quorvel::platform
