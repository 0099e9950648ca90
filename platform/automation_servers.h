// Automation servers: objects created by program identifier ("MSMAPI.MAPISession"), from a table of
// in-process servers that the system, a host or a test fills.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "quorvel/variant.h"

namespace quorvel::platform {

class AutomationServers {
 public:
  using Factory = std::function<std::shared_ptr<AutomationObject>()>;

  // Replaces any server registered under the same identifier.
  void Register(const std::string& progId, Factory factory);
  void Unregister(const std::string& progId);
  // A new object of the server; 429 when no server has that identifier.
  std::shared_ptr<AutomationObject> CreateObject(const std::string& progId) const;

 private:
  std::map<std::string, Factory> factories_;
};

// The object's interface of the given type; 13 when the object lacks it, 91 when there is none.
template <class Interface>
std::shared_ptr<Interface> As(const std::shared_ptr<AutomationObject>& object) {
  if (!object) throw RuntimeError(error_number::kObjectNotSet);
  auto typed = std::dynamic_pointer_cast<Interface>(object);
  if (!typed) throw RuntimeError(error_number::kTypeMismatch);
  return typed;
}

// The object an object variable holds; 91 when it holds none, as a call through such a variable raises.
template <class T>
T& Held(const std::shared_ptr<T>& object) {
  if (!object) throw RuntimeError(error_number::kObjectNotSet);
  return *object;
}

}  // namespace quorvel::platform
