#include "platform/automation_servers.h"
#include "platform/clock_linux.h"
#include "platform/desktop_mail_clients_linux.h"
#include "platform/file_system_linux.h"
#include "platform/mapi_controls_linux.h"
#include "platform/message_box_linux.h"
#include "platform/program_start_linux.h"
#include "platform/registry_linux.h"
#include "platform/settings_store_linux.h"
#include "platform/shell_linux.h"
#include "platform/temp_folder_linux.h"
#include "platform/version_linux.h"
#include "quorvel/platform.h"

namespace quorvel {

Platform SystemPlatform() { return SystemPlatform(""); }

Platform SystemPlatform(const std::string& mailSystemClient) {
  Platform platform{
      .registry = std::make_shared<platform::HiveFileRegistry>(),
      .clock = std::make_shared<platform::SystemClock>(),
      .versions = std::make_shared<platform::EnvironmentVersionSource>(),
      .shell = std::make_shared<platform::DesktopShell>(),
      .file_system = std::make_shared<platform::LocalFileSystem>(),
      .temp_folder = std::make_shared<platform::SystemTempFolder>(),
      .settings = std::make_shared<platform::HiveSettingsStore>(),
      .programs = std::make_shared<platform::SpawningProgramStarter>(),
      .servers = std::make_shared<platform::AutomationServers>(),
      .message_box = std::make_shared<platform::DesktopMessageBox>(),
  };
  // The Simple MAPI controls start the client through this bundle's own shell and program seams.
  mapi::RegisterDesktopMapiControls(*platform.servers, platform.shell, platform.programs, mailSystemClient);
  return platform;
}

std::vector<std::string> DesktopMailClientNames() {
  std::vector<std::string> names;
  for (const auto& handler : platform::NamedMailHandlers()) names.push_back(handler.name);
  return names;
}

}  // namespace quorvel
