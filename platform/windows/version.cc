#include "platform/windows/version.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/windows/wide_text.h"

namespace quorvel::platform {

std::int32_t SystemVersionSource::GetVersionExA(OsVersionInfo& info) {
  OSVERSIONINFOW system{};
  system.dwOSVersionInfoSize = sizeof system;
  if (!GetVersionExW(&system)) return 0;
  info.major = system.dwMajorVersion;
  info.minor = system.dwMinorVersion;
  info.build = system.dwBuildNumber;
  info.platform_id = system.dwPlatformId;
  // The service pack's name in UTF-8, cut where the record's field ends.
  const std::string service_pack = Narrow(system.szCSDVersion);
  std::fill(std::begin(info.service_pack), std::end(info.service_pack), '\0');
  std::copy_n(service_pack.begin(), std::min(service_pack.size(), sizeof info.service_pack - 1), info.service_pack);
  return 1;
}

}  // namespace quorvel::platform
