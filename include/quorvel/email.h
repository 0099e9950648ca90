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
#include <string>

#include "quorvel/application_context.h"
#include "quorvel/export.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"
#include "quorvel/send_outcome.h"
#include "quorvel/variant.h"

namespace quorvel {

namespace facade {
class EmailImpl;
}

class QUORVEL_EXPORT Email {
 public:
  explicit Email(Platform platform = SystemPlatform());
  ~Email();
  Email(Email&&) noexcept;
  Email& operator=(Email&&) noexcept;

  // Replaces the note on attachments in the mailto: fallback.
  void AlternateAttachmentMessage(std::string message);
  // Every log line and trapped error goes to this context; its ApplicationName becomes the library
  // display title. Raises 91 when given none (the context is stored all the same).
  void SetApplicationContext(std::shared_ptr<ApplicationContext> appContext);
  // The mail client to use instead of the machine's default; present from the first assignment on.
  // It chooses the route: "Microsoft Outlook - CDO", "Microsoft Outlook" and "Eudora" their own, a
  // name with "lotus" in it the mailto: link, any other the Simple MAPI route, where the mail system's
  // own client opens (the one SystemPlatform(name) chooses), whatever the name. "[System Default]"
  // and the empty text mean no override.
  void ClientToUse(std::string client);

  // Fills clientList (lower bound 0) with the installed mail clients and defaultClient with the
  // default one, and answers true; answers false, leaving both as passed, when none is installed.
  // Errors go to the context's AppErrorPreserve and AppErrorLog; without a context, 91 is raised.
  bool GetMailClients(StringArray& clientList, std::string& defaultClient);
  // Hands the message to the default mail client (or the one ClientToUse names) through that client's
  // own provider, and records the route in the user's settings. When the provider cannot open or send,
  // or no client is known, a mailto: link goes to the desktop instead. Errors are reported as for
  // GetMailClients, answering the result as it stood.
  bool Send(const Message& message);
  // What became of the last Send: the route, whether a client or the mailto: handler was opened, and
  // what did not reach the client. Send's answer alone cannot tell a compose window from a link the
  // desktop had no program for.
  const SendOutcome& LastSendOutcome() const;

 private:
  std::unique_ptr<facade::EmailImpl> impl_;
};

}  // namespace quorvel
