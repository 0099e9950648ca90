// The file system on Windows, through the UTF-16 calls. Windows gives a new file the access its folder
// passes on; neither the owner nor the access of a file is changed here.
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
