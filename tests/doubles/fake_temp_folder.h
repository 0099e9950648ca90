#pragma once

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/temp_folder.h"

namespace quorvel::testing {

// A temp folder whose files are numbered in order (prefix, 1, 2, … in hexadecimal, ".tmp"), so that
// their names are known in advance; the files are created for real.
class FakeTempFolder : public platform::TempFolder {
 public:
  explicit FakeTempFolder(std::string folder) : folder_(std::move(folder)) {}

  std::uint32_t GetTempPathA(std::uint32_t bufferLength, std::string& buffer) override {
    if (folder_.size() + 1 > bufferLength) return static_cast<std::uint32_t>(folder_.size() + 1);
    buffer.replace(0, folder_.size() + 1, folder_ + '\0');
    return static_cast<std::uint32_t>(folder_.size());
  }

  std::uint32_t GetTempFileNameA(const std::string& pathName, const std::string& prefix, std::uint32_t,
                                 std::string& buffer) override {
    if (fails) return 0;
    char unique[16];
    std::snprintf(unique, sizeof unique, "%X", ++last_unique_);
    const std::string path = pathName + prefix.substr(0, 3) + unique + ".tmp";
    if (!std::ofstream(path)) return 0;
    buffer.replace(0, path.size() + 1, path + '\0');
    return last_unique_;
  }

  std::string LastFailure() const override { return "the folder takes no new file"; }

  bool fails = false;  // every file creation fails, leaving the buffer untouched

 private:
  std::string folder_;
  std::uint32_t last_unique_ = 0;
};

}  // namespace quorvel::testing
