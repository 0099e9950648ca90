#include "platform/windows_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/version_linux.h"

namespace quorvel::platform {
namespace {

// Answers every call with one release and result, keeping the records it was handed.
struct ScriptedVersionSource : VersionSource {
  std::uint32_t platform = 0, major = 0, minor = 0;
  std::int32_t result = 1;
  std::vector<OsVersionInfo> received;
  std::int32_t GetVersionExA(OsVersionInfo& info) override {
    received.push_back(info);
    info.platform_id = platform;
    info.major = major;
    info.minor = minor;
    return result;
  }
};

// The names of the probes that answer true.
std::string Answers(VersionSource& source) {
  static const std::pair<const char*, bool (*)(VersionSource&)> probes[] = {
      {"95", MGetWindowsVersion::IsWin95},   {"98", MGetWindowsVersion::IsWin98},
      {"ME", MGetWindowsVersion::IsWinME},   {"NT4", MGetWindowsVersion::IsWinNT4},
      {"2000", MGetWindowsVersion::IsWin2000}, {"XP", MGetWindowsVersion::IsWinXP},
  };
  std::string names;
  for (const auto& [name, ask] : probes) {
    if (ask(source)) names += (names.empty() ? "" : " ") + std::string(name);
  }
  return names;
}

TEST(WindowsVersionTest, ProbesAnswerForEachRelease) {
  static const struct {
    std::uint32_t platform, major, minor;
    std::int32_t result;
    const char* answers;
  } cases[] = {
      {1, 4, 0, 1, "95"},      {1, 4, 10, 1, "98"},       {1, 4, 90, 1, "98 ME"},
      {1, 5, 0, 1, "98"},      {2, 4, 0, 1, "NT4"},       {2, 4, 10, 1, "98 NT4"},
      {2, 5, 0, 1, "2000"},    {2, 5, 1, 1, "XP"},        {2, 5, 2, 1, ""},
      {2, 6, 0, 1, ""},        {1, 0x80000000u, 0, 1, ""}, {1, 4, 0xFFFFFFFFu, 1, ""},  // negative when signed
      {1, 4, 0, 0, ""},        {1, 4, 0, 2, ""},          {2, 5, 1, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor) + " platform " +
                 std::to_string(c.platform) + " result " + std::to_string(c.result));
    ScriptedVersionSource source;
    source.platform = c.platform, source.major = c.major, source.minor = c.minor, source.result = c.result;
    EXPECT_EQ(Answers(source), c.answers);
  }
}

TEST(WindowsVersionTest, EveryProbeAsksAgainWithAFreshZeroedRecord) {
  ScriptedVersionSource source;
  source.platform = 2, source.major = 5, source.minor = 1;
  Answers(source);
  ASSERT_EQ(source.received.size(), 6u);
  const OsVersionInfo fresh{};
  for (const auto& record : source.received) {
    EXPECT_EQ(record.size, 148u);
    EXPECT_EQ(std::memcmp(&record, &fresh, sizeof fresh), 0);
  }
}

TEST(EnvironmentVersionSourceTest, ParsesMajorMinorPlatformOrLeavesTheRecord) {
  constexpr const char* kVariable = "QUORVEL_WINDOWS_VERSION";
  const char* outer = std::getenv(kVariable);
  const std::optional<std::string> saved = outer ? std::optional<std::string>(outer) : std::nullopt;
  static const struct {
    const char* value;  // nullptr: unset
    bool ok;
    std::uint32_t major = 0, minor = 0, platform = 0;
  } cases[] = {
      {"5.1.2", true, 5, 1, 2},         {"4.90.1", true, 4, 90, 1},
      {"4294967295.007.1", true, 4294967295u, 7, 1},
      {"4294967296.0.1", false},        {nullptr, false}, {"", false},      {"5.1", false},
      {"5.1.2.0", false},               {"a.b.c", false}, {"5..2", false},  {" 5.1.2", false},
      {"5.1.2 ", false},                {"-5.1.2", false}, {"+5.1.2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? std::string("\"") + c.value + "\"" : "unset");
    c.value ? setenv(kVariable, c.value, 1) : unsetenv(kVariable);
    OsVersionInfo record;
    record.major = record.minor = record.build = record.platform_id = 9;
    std::strcpy(record.service_pack, "Service Pack 9");
    EXPECT_EQ(EnvironmentVersionSource().GetVersionExA(record), c.ok ? 1 : 0);
    EXPECT_EQ(record.size, 148u);
    EXPECT_EQ(record.major, c.ok ? c.major : 9);
    EXPECT_EQ(record.minor, c.ok ? c.minor : 9);
    EXPECT_EQ(record.platform_id, c.ok ? c.platform : 9);
    EXPECT_EQ(record.build, c.ok ? 0u : 9u);
    EXPECT_STREQ(record.service_pack, c.ok ? "" : "Service Pack 9");
  }
  saved ? setenv(kVariable, saved->c_str(), 1) : unsetenv(kVariable);
}

}  // namespace
}  // namespace quorvel::platform
