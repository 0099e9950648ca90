// Temporary files on Windows: the folder is the one GetTempPathW names, and names are made by
// GetTempFileNameW. A file is created exclusively, never through a link, so a name taken by anyone,
// even by a planted link, is never opened: another name is tried instead.
#pragma once

#include "platform/temp_folder.h"

namespace quorvel::platform {

class SystemTempFolder : public TempFolder {
 public:
  std::uint32_t GetTempPathA(std::uint32_t bufferLength, std::string& buffer) override;
  // A name's unique part is the number's low 16 bits in four hex digits, as Windows makes it; the
  // prefix gives it its first three UTF-16 units, short of any that would split a character.
  std::uint32_t GetTempFileNameA(const std::string& pathName, const std::string& prefix, std::uint32_t unique,
                                 std::string& buffer) override;
  std::string LastFailure() const override;

 protected:
  // The number the next name is tried with; random, so that names cannot be guessed ahead. Tests
  // override it to aim at names they have taken.
  virtual std::uint32_t NextUniqueNumber();
};

}  // namespace quorvel::platform
