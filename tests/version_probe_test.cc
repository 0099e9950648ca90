#include "platform/version_probe.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
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

// The names of the probes that answer true.
std::string Answers(VersionSource& source) {
  using namespace MGetWindowsVersion;
  static const std::pair<const char*, bool (*)(VersionSource&)> probes[] = {
      {"95", IsWin95}, {"98", IsWin98}, {"ME", IsWinME}, {"NT4", IsWinNT4}, {"2000", IsWin2000}, {"XP", IsWinXP}};
  std::string names;
  for (const auto& [name, ask] : probes) {
    if (ask(source)) names += names.empty() ? name : " " + std::string(name);
  }
  return names;
}

// The releases the dispatcher tells apart, the overlaps it relies on, and a source that answers
// anything but exactly 1.
TEST(WindowsVersionTest, ProbesAnswerForEachRelease) {
  static const struct {
    std::uint32_t platform, major, minor;
    std::int32_t result;
    const char* answers;
  } cases[] =
      {
          {1, 4, 0, 1, "95"},      {1, 4, 90, 1, "98 ME"}, {1, 5, 0, 1, "98"},
          {2, 4, 10, 1, "98 NT4"}, {2, 5, 0, 1, "2000"},   {2, 5, 1, 1, "XP"},
          {2, 6, 0, 1, ""},        {1, 4, 0, 2, ""},       {1, 4, 0xFFFFFFFFu, 1, ""},  // negative when signed
      };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.major << "." << c.minor << " platform " << c.platform << " result "
                                      << c.result);
    ScriptedVersionSource source;
    source.platform = c.platform, source.major = c.major, source.minor = c.minor, source.result = c.result;
    EXPECT_EQ(Answers(source), c.answers);
  }
}

TEST(EnvironmentVersionSourceTest, ParsesMajorMinorPlatformOrLeavesTheRecord) {
  static const struct {
    std::optional<std::string> value;
    bool ok;
    std::uint32_t major = 0, minor = 0, platform = 0;
  } cases[] = {
      {"5.1.2", true, 5, 1, 2},
      {"4294967295.007.1", true, 4294967295u, 7, 1},
      {"4294967296.0.1", false},
      {std::nullopt, false},
      {"5.1", false},
      {"5.1.2.0", false},
      {"5..2", false},
      {"5.1.2 ", false},
      {"-5.1.2", false},
  };
  const auto fields = [](const OsVersionInfo& r) {
    return std::tuple(r.size, r.major, r.minor, r.build, r.platform_id, std::string(r.service_pack));
  };
  testing::ScopedEnv env;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? "\"" + *c.value + "\"" : "unset");
    env.Set("QUORVEL_WINDOWS_VERSION", c.value);
    const OsVersionInfo earlier{148, 9, 9, 9, 9, "Service Pack 9"};  // a failure leaves it as it was
    OsVersionInfo record = earlier;
    EXPECT_EQ(EnvironmentVersionSource().GetVersionExA(record), c.ok ? 1 : 0);
    EXPECT_EQ(fields(record), fields(c.ok ? OsVersionInfo{148, c.major, c.minor, 0, c.platform} : earlier));
  }
}

}  // namespace
}  // namespace quorvel::platform
