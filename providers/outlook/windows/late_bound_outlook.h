// Outlook's object model as the system's COM serves it: the typed objects of outlook_objects.h, each a
// thin adapter over the late-bound object of the same name.
#pragma once

#include "platform/automation_servers.h"

namespace quorvel::outlook {

// Registers the system's Outlook as the server "Outlook.Application": each creation asks COM for it.
void RegisterApplicationServer(platform::AutomationServers& servers);

}  // namespace quorvel::outlook
