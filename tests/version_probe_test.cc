#include "platform/version_probe.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <tuple>

#include "platform/environment_version.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

// Each case of tests/cases/windows_versions.json: the record the version source fills in, and the probes
// that then answer true.
TEST(WindowsVersionTest, EachReleaseGivesItsRecordAndItsProbes) {
  using namespace MGetWindowsVersion;
  const std::pair<const char*, bool (*)(VersionSource&)> probes[] = {
      {"95", IsWin95}, {"98", IsWin98}, {"ME", IsWinME}, {"NT4", IsWinNT4}, {"2000", IsWin2000}, {"XP", IsWinXP}};
  const auto fields = [](const OsVersionInfo& r) {
    return std::tuple(r.size, r.major, r.minor, r.build, r.platform_id, std::string(r.service_pack));
  };
  const auto file =
      nlohmann::json::parse(testing::ReadFile(std::string(QUORVEL_TEST_CASES) + "/windows_versions.json"));
  testing::ScopedEnv env;
  for (const auto& c : file.at("cases")) {
    SCOPED_TRACE(c.dump());
    const auto& value = c["value"];
    env.Set("QUORVEL_WINDOWS_VERSION", value.is_null() ? std::nullopt : std::optional(value.get<std::string>()));
    EnvironmentVersionSource source;
    const OsVersionInfo earlier{148, 9, 9, 9, 9, "Service Pack 9"};
    OsVersionInfo record = earlier;
    EXPECT_EQ(source.GetVersionExA(record), c["record"].is_null() ? 0 : 1);
    const auto& r = c["record"];
    EXPECT_EQ(fields(record),
              fields(r.is_null() ? earlier : OsVersionInfo{148, r[0], r[1], 0, r[2].get<std::uint32_t>()}));
    std::string answers;
    for (const auto& [name, ask] : probes) {
      if (ask(source)) answers += (answers.empty() ? "" : " ") + std::string(name);
    }
    EXPECT_EQ(answers, c["probes"]);
  }
}

}  // namespace
}  // namespace quorvel::platform
