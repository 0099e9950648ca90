// Temporary files on Linux: the folder is $TMPDIR when it is an absolute path, else /tmp. A file is
// created exclusively with mode 0600, so a name taken by anyone, even by a planted symbolic link, is
// never opened: another name is tried instead.
#pragma once

#include "platform/temp_folder.h"

namespace quorvel::platform {

class SystemTempFolder : public TempFolder {
 public:
  std::uint32_t GetTempPathA(std::uint32_t bufferLength, std::string& buffer) override;
  std::uint32_t GetTempFileNameA(const std::string& pathName, const std::string& prefix, std::uint32_t unique,
                                 std::string& buffer) override;
  std::string LastFailure() const override;

 protected:
  // The number the next name is tried with; random, so that names cannot be guessed ahead. Tests
  // override it to aim at names they have taken.
  virtual std::uint32_t NextUniqueNumber();
};

}  // namespace quorvel::platform
