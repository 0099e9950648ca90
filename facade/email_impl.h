// The facade itself; Email is its public face. The library's own parts (and its tests) reach the
// steps that Email keeps private here.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "log/facade_trail.h"
#include "quorvel/application_context.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"
#include "quorvel/variant.h"

namespace quorvel::facade {

class EmailImpl {
 public:
  explicit EmailImpl(Platform platform);

  void AlternateAttachmentMessage(std::string message);
  void SetApplicationContext(std::shared_ptr<ApplicationContext> appContext);
  void ClientToUse(std::string client);
  bool GetMailClients(StringArray& clientList, std::string& defaultClient);

  // The fallback: a mailto: URL composed from the message, handed to the desktop's handler.
  bool MailTo(const Message& message);

 private:
  void LogLine(std::string_view message);
  std::string StringArrayVar(const std::string& prefix, const Variant& list);

  Platform platform_;
  trail::FacadeTrail trail_;
  std::optional<std::string> client_to_use_;
  std::string alternate_attachment_message_;
};

}  // namespace quorvel::facade
