// Email: what a host creates to list the user's mail clients and to hand a message to one of them.
//
//   auto context = std::make_shared<MyContext>();   // the host's ApplicationContext
//   quorvel::Email email;
//   email.SetApplicationContext(context);
//   quorvel::StringArray clients;
//   std::string default_client;
//   if (email.GetMailClients(clients, default_client)) { ... }
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "log/facade_trail.h"
#include "quorvel/application_context.h"
#include "quorvel/export.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"
#include "quorvel/variant.h"

namespace quorvel {

class QUORVEL_EXPORT Email {
 public:
  explicit Email(Platform platform = SystemPlatform());

  // Replaces the note on attachments in the mailto: fallback.
  void AlternateAttachmentMessage(std::string message);
  // Every log line and trapped error goes to this context; its ApplicationName becomes the library
  // display title. Raises 91 when given none (the context is stored all the same).
  void SetApplicationContext(std::shared_ptr<ApplicationContext> appContext);
  // The mail client to use instead of the machine's default; present from the first assignment on.
  void ClientToUse(std::string client);

  // Fills clientList (lower bound 0) with the installed mail clients and defaultClient with the
  // default one, and answers true; answers false, leaving both as passed, when none is installed.
  // Errors go to the context's AppErrorPreserve and AppErrorLog; without a context, 91 is raised.
  bool GetMailClients(StringArray& clientList, std::string& defaultClient);

 private:
  friend class EmailTestPeer;

  void LogLine(std::string_view message);
  // The fallback: a mailto: URL composed from the message, handed to the desktop's handler.
  bool MailTo(const Message& message);
  std::string StringArrayVar(const std::string& prefix, const Variant& list);

  Platform platform_;
  trail::FacadeTrail trail_;
  std::optional<std::string> client_to_use_;
  std::string alternate_attachment_message_;
};

}  // namespace quorvel
