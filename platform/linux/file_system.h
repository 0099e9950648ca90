// The file system on Linux: std::filesystem for the checks, POSIX calls for writing, so that each
// failure keeps the system's reason.
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
