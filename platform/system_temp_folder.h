// The system's temporary files: each system implements this class in platform/<system>/temp_folder.cc.
// A file is created exclusively, never through a link, so a name taken by anyone, even by a planted
// link, is never opened: another name is tried instead. Linux takes $TMPDIR when it is an absolute
// path, else /tmp, makes files of mode 0600 and names them with the number in eight hex digits;
// Windows takes the folder GetTempPathW names and lets GetTempFileNameW make the names (the number's
// low 16 bits, the prefix's first three UTF-16 units short of any that would split a character).
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
