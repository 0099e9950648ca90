// The version record on Windows: the system's own, as GetVersionExW reports it to this program (which
// Windows 8.1 and later give as 6.2 to a program whose manifest does not name them).
#pragma once

#include "platform/version.h"

namespace quorvel::platform {

class SystemVersionSource : public VersionSource {
 public:
  std::int32_t GetVersionExA(OsVersionInfo& info) override;
};

}  // namespace quorvel::platform
