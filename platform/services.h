// The library's own services, each behind a narrow seam: what a Platform carries besides the parts a
// host may supply. SystemPlatform() fills them; the library's tests put their doubles in.
#pragma once

#include <memory>

#include "quorvel/platform.h"

namespace quorvel::platform {

class AutomationServers;
class FileSystem;
class ProgramStarter;
class Registry;
class SettingsStore;
class Shell;
class TempFolder;
class VersionSource;

struct Services {
  std::shared_ptr<Registry> registry{};
  std::shared_ptr<VersionSource> versions{};
  std::shared_ptr<Shell> shell{};
  std::shared_ptr<FileSystem> file_system{};
  std::shared_ptr<TempFolder> temp_folder{};
  std::shared_ptr<SettingsStore> settings{};
  std::shared_ptr<ProgramStarter> programs{};
  std::shared_ptr<AutomationServers> servers{};
};

// The platform with every part it leaves empty taken from SystemPlatform().
Platform Completed(Platform platform);

}  // namespace quorvel::platform
