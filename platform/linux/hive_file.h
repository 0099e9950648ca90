// Hive files as the registry and the settings store read them.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/key_tree.h"

namespace quorvel::platform {

// Reads a hive file; a file that does not exist is an empty hive. A file that cannot be read or
// parsed raises an error naming it.
RegKey ReadHiveFile(const std::filesystem::path& path, std::string_view rootName);

// A hive file as last read, kept with the file's identity then: the registry and the settings store
// ask for their hives at every call, mostly unchanged, and that then costs a stat (two while the file
// is missing) instead of reading and parsing the file.
class KeptHiveFile {
 public:
  struct Hive {
    std::shared_ptr<const RegKey> keys;
    // Whether this user could write the file: it is writable, or it could be created in the nearest
    // folder that exists on its path.
    bool writable = false;
  };
  // The hive at the path, read as ReadHiveFile does (raising as it does) unless kept unchanged.
  Hive Read(const std::filesystem::path& path, std::string_view rootName);

 private:
  struct Kept {
    std::filesystem::path path;
    bool missing;
    std::filesystem::path nearest_folder;  // while the file is missing, the nearest on its path that exists
    struct stat identity;                  // the file's, or while it is missing, that folder's
    Hive hive;
  };
  // Whether the kept hive still stands for the file, given what stating its path answered just now.
  static bool Unchanged(const Kept& kept, int statError, const struct stat& status);

  std::mutex mutex_;  // one Platform, and with it this hive, may serve Email objects on several threads
  std::optional<Kept> kept_;
};

}  // namespace quorvel::platform
