#include "platform/environment_version.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string_view>

namespace quorvel::platform {

namespace {
constexpr const char* kVersionVariable = "QUORVEL_WINDOWS_VERSION";

// "major.minor.platformid": three unsigned decimal numbers that fit 32 bits, and nothing else.
std::optional<std::array<std::uint32_t, 3>> ParseVersion(std::string_view text) {
  std::array<std::uint32_t, 3> fields{};
  const char* next = text.data();
  const char* const end = text.data() + text.size();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) {
      if (next == end || *next != '.') return std::nullopt;
      ++next;
    }
    const auto [stop, error] = std::from_chars(next, end, fields[i]);
    if (error != std::errc{}) return std::nullopt;
    next = stop;
  }
  if (next != end) return std::nullopt;
  return fields;
}
}  // namespace

std::int32_t EnvironmentVersionSource::GetVersionExA(OsVersionInfo& info) {
  const char* value = std::getenv(kVersionVariable);
  if (value == nullptr) return 0;
  const auto fields = ParseVersion(value);
  if (!fields) return 0;
  info.major = (*fields)[0];
  info.minor = (*fields)[1];
  info.platform_id = (*fields)[2];
  info.build = 0;
  std::fill(std::begin(info.service_pack), std::end(info.service_pack), '\0');
  return 1;
}

}  // namespace quorvel::platform
