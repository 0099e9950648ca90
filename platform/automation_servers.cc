#include "platform/automation_servers.h"

namespace quorvel::platform {

void AutomationServers::Register(const std::string& progId, Factory factory) {
  factories_[progId] = std::move(factory);
}

void AutomationServers::Unregister(const std::string& progId) { factories_.erase(progId); }

std::shared_ptr<AutomationObject> AutomationServers::CreateObject(const std::string& progId) const {
  const auto found = factories_.find(progId);
  if (found == factories_.end()) throw RuntimeError(error_number::kCannotCreateObject);
  auto object = found->second();
  if (!object) throw RuntimeError(error_number::kCannotCreateObject);
  return object;
}

}  // namespace quorvel::platform
