// The library's platform on Windows: the system's own registry, files, temp folder, version, shell,
// programs and message box, and the mail system's own automation: the Simple MAPI controls over the
// system's Simple MAPI, CDO and Outlook through COM. The mail clients are the registry's: there is no
// desktop list to add.
#include "platform/automation_servers.h"
#include "platform/local_file_system.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "platform/system_temp_folder.h"
#include "platform/windows/message_box.h"
#include "platform/windows/program_start.h"
#include "platform/windows/registry.h"
#include "platform/windows/settings_store.h"
#include "platform/windows/shell.h"
#include "platform/windows/version.h"
#include "providers/cdo/windows/late_bound_cdo.h"
#include "providers/mapi/windows/system_mapi_controls.h"
#include "providers/outlook/windows/late_bound_outlook.h"
#include "quorvel/platform.h"

namespace quorvel {

Platform SystemPlatform() {
  auto services = std::make_shared<platform::Services>(platform::Services{
      .registry = std::make_shared<platform::SystemRegistry>(),
      .versions = std::make_shared<platform::SystemVersionSource>(),
      .shell = std::make_shared<platform::SystemShell>(),
      .file_system = std::make_shared<platform::LocalFileSystem>(),
      .temp_folder = std::make_shared<platform::SystemTempFolder>(),
      .settings = std::make_shared<platform::RegistrySettingsStore>(),
      .programs = std::make_shared<platform::SystemProgramStarter>(),
      .servers = std::make_shared<platform::AutomationServers>(),
  });
  mapi::RegisterSystemMapiControls(*services->servers, services->file_system);
  cdo::RegisterSessionServer(*services->servers);
  outlook::RegisterApplicationServer(*services->servers);
  return Platform{.clock = std::make_shared<platform::SystemClock>(),
                  .message_box = std::make_shared<platform::SystemMessageBox>(),
                  .services = std::move(services)};
}

// The mail system's client is the one the registry names as the default.
Platform SystemPlatform(const std::string&) { return SystemPlatform(); }

std::vector<std::string> DesktopMailClientNames() { return {}; }

}  // namespace quorvel
