// The system's file system: each system implements this class in platform/<system>/file_system.cc.
// Linux uses std::filesystem for the checks and POSIX calls for writing, so that each failure keeps
// the system's reason; Windows the UTF-16 calls, and gives a new file the access its folder passes on
// (neither the owner nor the access of a file is changed there).
#pragma once

#include "platform/file_system.h"

namespace quorvel::platform {

class LocalFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  std::string GetFileName(const std::string& path) override;
  std::unique_ptr<TextStream> OpenTextFile(const std::string& path, int ioMode, bool create, int format) override;
};

}  // namespace quorvel::platform
