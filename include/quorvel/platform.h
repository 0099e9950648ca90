// The platform bundle: every service of the operating system the library reaches, each behind a
// narrow seam. Objects take a bundle when they are created; tests and other hosts pass their own.
#pragma once

#include <memory>
#include <string>
#include <vector>

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
// The same, with the mail system's client chosen: the desktop mail client of that name (as
// DesktopMailClientNames lists it, without regard to case) opens on the Simple MAPI route in place of
// the desktop's default, as a user's own default client would. Any other name changes nothing.
QUORVEL_EXPORT Platform SystemPlatform(const std::string& mailSystemClient);

// The desktop's mail clients (its mailto: handlers) by name; the mail clients' list shows these when
// the machine's registry lists none of its own.
QUORVEL_EXPORT std::vector<std::string> DesktopMailClientNames();

}  // namespace quorvel
