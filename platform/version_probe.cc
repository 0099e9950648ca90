#include "platform/version_probe.h"

#include <cstdint>
#include <optional>

namespace quorvel::platform::MGetWindowsVersion {

namespace {
constexpr std::int32_t kWindows95Family = 1;
constexpr std::int32_t kNtFamily = 2;

struct Release {
  std::int32_t platform;
  std::int32_t major;
  std::int32_t minor;
};

// A fresh record for each question: nothing is remembered between calls.
std::optional<Release> AskSource(VersionSource& source) {
  OsVersionInfo info{};
  info.size = OsVersionInfo::kRecordSize;
  if (source.GetVersionExA(info) != 1) return std::nullopt;
  return Release{static_cast<std::int32_t>(info.platform_id), static_cast<std::int32_t>(info.major),
                 static_cast<std::int32_t>(info.minor)};
}

template <typename Test>
bool Reports(VersionSource& source, Test test) {
  const std::optional<Release> release = AskSource(source);
  return release && test(*release);
}
}  // namespace

bool IsWin95(VersionSource& source) {
  return Reports(source,
                 [](const Release& r) { return r.platform == kWindows95Family && r.major == 4 && r.minor == 0; });
}

bool IsWin98(VersionSource& source) {
  return Reports(source, [](const Release& r) {
    return (r.major == 4 && r.minor > 0) || (r.major > 4 && r.platform == kWindows95Family);
  });
}

bool IsWinME(VersionSource& source) {
  return Reports(source,
                 [](const Release& r) { return r.platform == kWindows95Family && r.major == 4 && r.minor == 90; });
}

bool IsWinNT4(VersionSource& source) {
  return Reports(source, [](const Release& r) { return r.platform == kNtFamily && r.major == 4; });
}

bool IsWin2000(VersionSource& source) {
  return Reports(source, [](const Release& r) { return r.platform == kNtFamily && r.major == 5 && r.minor == 0; });
}

bool IsWinXP(VersionSource& source) {
  return Reports(source, [](const Release& r) { return r.platform == kNtFamily && r.major == 5 && r.minor == 1; });
}

}  // namespace quorvel::platform::MGetWindowsVersion
