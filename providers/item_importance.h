// The importance both Outlook routes give an item: 1, 2 and 3 pass unchanged, every other value becomes 1.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::providers {

inline std::int32_t ItemImportance(std::int32_t importance) {
  return std::string(".1.2.3.").find("." + std::to_string(importance) + ".") != std::string::npos ? importance : 1;
}

}  // namespace quorvel::providers
