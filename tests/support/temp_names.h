// What the temp-folder suites of both systems share: a folder whose numbers a test can take first,
// and the name one call wrote.
#pragma once

#include <vector>

#include "platform/system_temp_folder.h"

namespace quorvel::testing {

// Draws its numbers from a script instead of at random.
struct PredictableTempFolder : platform::SystemTempFolder {
  explicit PredictableTempFolder(std::vector<std::uint32_t> numbers) : numbers(std::move(numbers)) {}
  std::uint32_t NextUniqueNumber() override { return numbers[next++ % numbers.size()]; }
  std::vector<std::uint32_t> numbers;
  std::size_t next = 0;
};

// The name written into a fresh buffer, "#" when the buffer was left alone, and the number answered.
inline std::pair<std::string, std::uint32_t> FileName(platform::TempFolder& folder, const std::string& path,
                                                      const std::string& prefix, std::uint32_t unique = 0) {
  std::string buffer(platform::kMaxPath, '#');
  const std::uint32_t number = folder.GetTempFileNameA(path, prefix, unique, buffer);
  return {buffer == std::string(platform::kMaxPath, '#') ? "#" : buffer.substr(0, buffer.find('\0')), number};
}

}  // namespace quorvel::testing
