// The registry on Linux: each predefined root is a .reg hive file.
//   HKEY_LOCAL_MACHINE  $QUORVEL_MACHINE_HIVE, else /etc/quorvel/machine.reg
//   HKEY_CURRENT_USER   $QUORVEL_USER_HIVE, else $XDG_CONFIG_HOME/quorvel/user.reg, else
//                       ~/.config/quorvel/user.reg (~ being $HOME, else the user database's home)
// A missing file is an empty hive. A key grants all rights when its hive file could be written by
// this user, read rights otherwise. A hive that exists but cannot be read or parsed raises an error
// naming the file from the registry call that needed it. The files are looked at once per operation
// (platform/operation_scope.h): its later opens see the hives as its first did.
// A graft may stand in for a key the machine hive does not have: its keys are asked of it once an
// operation (it may keep what it saw while the desktop is unchanged) and grant all rights, as the
// user's own preferences.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/linux/hive_file.h"
#include "platform/tree_registry.h"

namespace quorvel::platform {

// A subtree made on demand for a path of the machine hive; null when there is nothing to stand there.
// It answers the same object while what it stands for is unchanged.
struct MachineGraft {
  std::string path;
  std::function<std::shared_ptr<const RegKey>()> keys;
};

class HiveFileRegistry : public TreeRegistry {
 public:
  HiveFileRegistry() = default;
  explicit HiveFileRegistry(MachineGraft graft) : graft_(std::move(graft)) {}

  static std::filesystem::path MachineHivePath();
  static std::filesystem::path UserHivePath();

 protected:
  std::optional<Hive> LoadHive(HKey root) override;

 private:
  // The machine hive with the graft in place, kept while neither changed: most opens ask for it again.
  struct Grafted {
    std::shared_ptr<const RegKey> machine;
    std::shared_ptr<const RegKey> graft;
    std::shared_ptr<const RegKey> both;
  };
  std::shared_ptr<const RegKey> Graft(const std::shared_ptr<const RegKey>& machine,
                                      const std::shared_ptr<const RegKey>& graft);
  std::optional<Hive> LoadHiveFile(HKey root);

  // The hive an operation loaded last, for its next opens: one operation sees one state of the hives.
  struct Loaded {
    std::uint64_t operation = 0;
    Hive hive;
  };

  std::optional<MachineGraft> graft_;
  std::mutex mutex_;  // one Platform, and with it this registry, may serve Email objects on several threads
  Grafted grafted_;
  Loaded machine_loaded_;
  Loaded user_loaded_;
  KeptHiveFile machine_hive_;
  KeptHiveFile user_hive_;
};

}  // namespace quorvel::platform
