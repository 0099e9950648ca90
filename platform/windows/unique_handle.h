// The one owner of a kernel handle: closed when the owner goes, unless closed before.
#pragma once

#include <windows.h>

#include <utility>

namespace quorvel::platform {

class UniqueHandle {
 public:
  // CreateFileW answers INVALID_HANDLE_VALUE for none, CreateProcessW null: both are taken as none.
  explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~UniqueHandle() {
    if (handle_) CloseHandle(handle_);
  }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      if (handle_) CloseHandle(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr; }

  // Closes now so the caller can see a failure: false when CloseHandle failed. Never tried twice.
  bool Close() { return !handle_ || CloseHandle(std::exchange(handle_, nullptr)); }

 private:
  HANDLE handle_;
};

}  // namespace quorvel::platform
