// Version source seam: the operating-system version record the version probe reads.
#pragma once

#include <cstdint>

namespace quorvel::platform {

struct OsVersionInfo {
  static constexpr std::uint32_t kRecordSize = 148;
  std::uint32_t size = kRecordSize;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platform_id = 0;  // 1 the Windows 95 family, 2 the NT family
  char service_pack[128] = {};
};

class VersionSource {
 public:
  virtual ~VersionSource() = default;
  // Fills the record; nonzero on success, 0 on failure.
  virtual std::int32_t GetVersionExA(OsVersionInfo& info) = 0;
};

}  // namespace quorvel::platform
