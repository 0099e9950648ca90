// MailMAPI: hands one message to the mail client registered for Simple MAPI, which shows it in its
// own compose window. It keeps everything it does in its session log (GetLog).
//
//   quorvel::MailMAPI mapi;
//   if (mapi.OpenSession("", "")) {
//     mapi.Send({.addrTO = "ann@example.org", .Subject = "Report", .Body = "See attached.",
//                .ATTACHMENTS = "/tmp/report.pdf"});
//     mapi.CloseSession();
//   }
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quorvel/export.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"

namespace quorvel {

namespace mapi {
class MailMAPIImpl;
}

class QUORVEL_EXPORT MailMAPI {
 public:
  explicit MailMAPI(Platform platform = SystemPlatform());
  ~MailMAPI();
  MailMAPI(const MailMAPI&) = delete;
  MailMAPI& operator=(const MailMAPI&) = delete;
  MailMAPI(MailMAPI&&) noexcept;
  MailMAPI& operator=(MailMAPI&&) noexcept;

  // Kept only; the Simple MAPI route always takes the mail system's own client (SystemPlatform).
  void DefaultMailClient(std::string client);
  std::string GetLog() const;

  // Signs on to the mail system, which may show its own logon dialog; empty texts are not passed on.
  bool OpenSession(const std::string& Username, const std::string& Password);
  bool CloseSession();
  // Composes the message and opens the mail client's compose window with it. True when the window was
  // shown (also when the user then cancelled it), false when the message could not be composed.
  // The sender travels at the front of the subject; Importance and HTMLFormat are not used.
  bool Send(const Message& message);
  // What the last Send could not hand to the client, each part with why in one phrase ("the BCC
  // recipients: Sylpheed takes none from another program"); empty when everything went.
  const std::vector<std::string>& NotHandedOver() const;

 private:
  std::unique_ptr<mapi::MailMAPIImpl> impl_;
};

}  // namespace quorvel
