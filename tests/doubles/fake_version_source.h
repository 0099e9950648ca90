#pragma once

#include <optional>

#include "platform/version.h"

namespace quorvel::testing {

// Answers every call with the same record, or fails every call when it has none.
class FakeVersionSource : public platform::VersionSource {
 public:
  FakeVersionSource() = default;
  explicit FakeVersionSource(std::optional<platform::OsVersionInfo> record) : record(record) {}

  std::int32_t GetVersionExA(platform::OsVersionInfo& info) override {
    ++calls;
    if (!record) return 0;
    const std::uint32_t size = info.size;  // the caller's, as the system leaves it
    info = *record;
    info.size = size;
    return 1;
  }

  std::optional<platform::OsVersionInfo> record;
  int calls = 0;
};

}  // namespace quorvel::testing
