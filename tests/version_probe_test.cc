#include "platform/version_probe.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <tuple>

#include "platform/version_linux.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

// Answers every call with one release and result.
struct ScriptedVersionSource : VersionSource {
  std::uint32_t platform = 0, major = 0, minor = 0;
  std::int32_t result = 1;
  std::int32_t GetVersionExA(OsVersionInfo& info) override {
    info.platform_id = platform, info.major = major, info.minor = minor;
    return result;
  }
};

const nlohmann::json kCases =
    nlohmann::json::parse(testing::ReadFile(std::string(QUORVEL_TEST_CASES) + "/windows_versions.json"));

// The probes that answer true for each release, from tests/cases/windows_versions.json.
TEST(WindowsVersionTest, ProbesAnswerForEachRelease) {
  using namespace MGetWindowsVersion;
  const std::pair<const char*, bool (*)(VersionSource&)> probes[] = {
      {"95", IsWin95}, {"98", IsWin98}, {"ME", IsWinME}, {"NT4", IsWinNT4}, {"2000", IsWin2000}, {"XP", IsWinXP}};
  for (const auto& c : kCases.at("probes")) {
    SCOPED_TRACE(c.dump());
    ScriptedVersionSource source;
    std::tie(source.platform, source.major, source.minor, source.result) =
        std::tuple(c[0].get<std::uint32_t>(), c[1].get<std::uint32_t>(), c[2].get<std::uint32_t>(), c[3].get<int>());
    std::string answers;
    for (const auto& [name, ask] : probes) {
      if (ask(source)) answers += (answers.empty() ? "" : " ") + std::string(name);
    }
    EXPECT_EQ(answers, c[4]);
  }
}

TEST(EnvironmentVersionSourceTest, ParsesMajorMinorPlatformOrLeavesTheRecord) {
  const auto fields = [](const OsVersionInfo& r) {
    return std::tuple(r.size, r.major, r.minor, r.build, r.platform_id, std::string(r.service_pack));
  };
  testing::ScopedEnv env;
  for (const auto& c : kCases.at("environment")) {
    SCOPED_TRACE(c.dump());
    env.Set("QUORVEL_WINDOWS_VERSION", c[0].is_null() ? std::nullopt : std::optional(c[0].get<std::string>()));
    const OsVersionInfo earlier{148, 9, 9, 9, 9, "Service Pack 9"};
    OsVersionInfo record = earlier;
    EXPECT_EQ(EnvironmentVersionSource().GetVersionExA(record), c[1].is_null() ? 0 : 1);
    const OsVersionInfo expected =
        c[1].is_null() ? earlier : OsVersionInfo{148, c[1][0], c[1][1], 0, c[1][2].get<std::uint32_t>()};
    EXPECT_EQ(fields(record), fields(expected));
  }
}

}  // namespace
}  // namespace quorvel::platform
