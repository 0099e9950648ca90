// MailMSOutlook: hands one message to Microsoft Outlook through its Collaboration Data Objects. It logs
// on to a messaging profile, creates the message in the profile's Inbox and opens CDO's send dialog,
// where the user confirms or cancels the sending. It keeps everything it does in its session log
// (GetLog) and takes no application context.
//
//   quorvel::MailMSOutlook outlook;
//   if (outlook.OpenSession("", "", "Outlook", "")) {
//     outlook.Send({.addrTO = "ann@example.org", .Subject = "Report", .Body = "See attached.",
//                   .ATTACHMENTS = "/tmp/report.pdf"});
//     outlook.CloseSession();
//   }
#pragma once

#include <memory>
#include <string>

#include "quorvel/export.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"

namespace quorvel {

namespace cdo {
class MailMSOutlookImpl;
}

class QUORVEL_EXPORT MailMSOutlook {
 public:
  explicit MailMSOutlook(Platform platform = SystemPlatform());
  ~MailMSOutlook();
  MailMSOutlook(const MailMSOutlook&) = delete;
  MailMSOutlook& operator=(const MailMSOutlook&) = delete;
  MailMSOutlook(MailMSOutlook&&) noexcept;
  MailMSOutlook& operator=(MailMSOutlook&&) noexcept;

  std::string GetLog() const;

  // Logs on to the profile named profile, or, when Server is given, to the mailbox Mailbox on that
  // server. When CDO is not installed the user is told so in the library's own message box.
  bool OpenSession(const std::string& Server, const std::string& Mailbox, const std::string& profile,
                   const std::string& Password);
  bool CloseSession();
  // Fills in a new message and opens CDO's send dialog with it. False when a recipient or an attachment
  // could not be added (the dialog is still shown) or when the message could not be made; a cancel in
  // the dialog alone is no failure. The sender travels at the front of the subject; HTMLFormat is not used.
  bool Send(const Message& message);

 private:
  std::unique_ptr<cdo::MailMSOutlookImpl> impl_;
};

}  // namespace quorvel
