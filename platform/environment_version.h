// A version record from the environment: QUORVEL_WINDOWS_VERSION="major.minor.platformid" names the
// Windows release the library behaves as on where there is no Windows to ask (Linux), and the one a
// test wants on any system. Unset or unparsable, the call fails.
#pragma once

#include "platform/version.h"

namespace quorvel::platform {

class EnvironmentVersionSource : public VersionSource {
 public:
  std::int32_t GetVersionExA(OsVersionInfo& info) override;
};

}  // namespace quorvel::platform
