#include "facade/email_impl.h"
#include "platform/automation_servers.h"
#include "platform/environment_version.h"
#include "platform/linux/message_box.h"
#include "platform/linux/program_start.h"
#include "platform/linux/registry.h"
#include "platform/linux/settings_store.h"
#include "platform/linux/shell.h"
#include "platform/local_file_system.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "platform/system_temp_folder.h"
#include "providers/mapi/linux/desktop_mail_clients.h"
#include "providers/mapi/linux/desktop_mapi_controls.h"
#include "quorvel/platform.h"

namespace quorvel {

Platform SystemPlatform() { return SystemPlatform(""); }

Platform SystemPlatform(const std::string& mailSystemClient) {
  auto services = std::make_shared<platform::Services>(platform::Services{
      // The desktop's mail clients stand where the machine hive lists none of its own.
      .registry = std::make_shared<platform::HiveFileRegistry>(
          platform::MachineGraft{facade::kMailClientsKey, mapi::DesktopMailClients}),
      .versions = std::make_shared<platform::EnvironmentVersionSource>(),
      .shell = std::make_shared<platform::DesktopShell>(),
      .file_system = std::make_shared<platform::LocalFileSystem>(),
      .temp_folder = std::make_shared<platform::SystemTempFolder>(),
      .settings = std::make_shared<platform::HiveSettingsStore>(),
      .programs = std::make_shared<platform::SpawningProgramStarter>(),
      .servers = std::make_shared<platform::AutomationServers>(),
  });
  // The Simple MAPI controls start the client through this bundle's own shell and program seams.
  mapi::RegisterDesktopMapiControls(*services->servers, services->shell, services->programs, mailSystemClient);
  return Platform{.clock = std::make_shared<platform::SystemClock>(),
                  .message_box = std::make_shared<platform::DesktopMessageBox>(),
                  .services = std::move(services)};
}

std::vector<std::string> DesktopMailClientNames() {
  std::vector<std::string> names;
  const auto view = mapi::KeptDesktopMailView();
  for (const auto& handler : view->Handlers()) names.push_back(handler.name);
  return names;
}

}  // namespace quorvel
