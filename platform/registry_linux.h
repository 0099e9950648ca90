// The registry on Linux: each predefined root is a .reg hive file.
//   HKEY_LOCAL_MACHINE  $QUORVEL_MACHINE_HIVE, else /etc/quorvel/machine.reg
//   HKEY_CURRENT_USER   $QUORVEL_USER_HIVE, else $XDG_CONFIG_HOME/quorvel/user.reg, else
//                       ~/.config/quorvel/user.reg (~ being $HOME, else the user database's home)
// A missing file is an empty hive. A key grants all rights when its hive file could be written by
// this user, read rights otherwise. A hive that exists but cannot be read or parsed raises an error
// naming the file from the registry call that needed it.
// When the machine hive has no Software\Clients\Mail key, the desktop's mailto handlers stand there
// (platform/desktop_mail_clients.h), read afresh on every open and granting all rights.
#pragma once

#include <filesystem>

#include "platform/tree_registry.h"

namespace quorvel::platform {

class HiveFileRegistry : public TreeRegistry {
 public:
  static std::filesystem::path MachineHivePath();
  static std::filesystem::path UserHivePath();

 protected:
  std::optional<Hive> LoadHive(HKey root) override;
};

// Reads a hive file; a file that does not exist is an empty hive.
RegKey ReadHiveFile(const std::filesystem::path& path, std::string_view rootName);

// Whether this user could write the file: it is writable, or it could be created in the nearest
// folder that exists on its path.
bool HiveIsWritable(const std::filesystem::path& path);

}  // namespace quorvel::platform
