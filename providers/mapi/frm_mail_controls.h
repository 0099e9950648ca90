// The hidden form that holds the two MAPI controls; never shown.
#pragma once

#include <memory>

#include "platform/automation_servers.h"
#include "providers/mapi/mapi_controls.h"

namespace quorvel::mapi {

class frmMailControls {
 public:
  static constexpr const char* kCaption = "Mail Controls";

  explicit frmMailControls(const platform::AutomationServers& servers) : servers_(servers) {}

  // Creates the two controls: 429 when a control's server is missing, 13 when it is another object.
  void Load();
  void Unload();

  // 91 while the form is not loaded.
  MapiMessages& MAPIMessages1();
  MapiSession& MAPISession1();

 private:
  const platform::AutomationServers& servers_;
  std::shared_ptr<MapiMessages> messages_;
  std::shared_ptr<MapiSession> session_;
};

}  // namespace quorvel::mapi
