// The Collaboration Data Objects as the system's COM serves them: the typed objects of cdo_objects.h,
// each a thin adapter over the late-bound object of the same name.
#pragma once

#include "platform/automation_servers.h"

namespace quorvel::cdo {

// Registers the system's CDO as the server "MAPI.Session": each creation makes a session through COM.
void RegisterSessionServer(platform::AutomationServers& servers);

}  // namespace quorvel::cdo
