// The version record on Linux: QUORVEL_WINDOWS_VERSION="major.minor.platformid" stands for the Windows
// release the host wants the library to behave as on. Unset or unparsable, the call fails.
#pragma once

#include "platform/version.h"

namespace quorvel::platform {

class EnvironmentVersionSource : public VersionSource {
 public:
  std::int32_t GetVersionExA(OsVersionInfo& info) override;
};

}  // namespace quorvel::platform
