// The platform bundle: every service of the operating system the library reaches, each behind a
// narrow seam. Objects take a bundle when they are created; tests and other hosts pass their own.
#pragma once

#include <memory>

#include "quorvel/export.h"

namespace quorvel {

namespace platform {
class AutomationServers;
class Clock;
class FileSystem;
class MessageBox;
class ProgramStarter;
class Registry;
class SettingsStore;
class Shell;
class TempFolder;
class VersionSource;
}  // namespace platform

struct Platform {
  std::shared_ptr<platform::Registry> registry{};
  std::shared_ptr<platform::Clock> clock{};
  std::shared_ptr<platform::VersionSource> versions{};
  std::shared_ptr<platform::Shell> shell{};
  std::shared_ptr<platform::FileSystem> file_system{};
  std::shared_ptr<platform::TempFolder> temp_folder{};
  std::shared_ptr<platform::SettingsStore> settings{};
  std::shared_ptr<platform::ProgramStarter> programs{};
  std::shared_ptr<platform::AutomationServers> servers{};
  std::shared_ptr<platform::MessageBox> message_box{};
};

// This system's own implementations: hive files and the desktop's mail clients for the registry, the
// system clock, the version named by QUORVEL_WINDOWS_VERSION, GIO for opening URLs, the file system,
// and a message box shown as a desktop dialog, or on standard error without a graphical session.
QUORVEL_EXPORT Platform SystemPlatform();

}  // namespace quorvel
