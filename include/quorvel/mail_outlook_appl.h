// MailOutlookAppl: hands one message to Microsoft Outlook through Outlook's own automation object. It
// logs on to Outlook's "MAPI" namespace, builds a mail item from the message and displays it; the user
// sends, edits or discards it there. It keeps everything it does in its session log (GetLog) and,
// once it has a context, passes every log line but the error lines on to the context as well.
//
//   quorvel::MailOutlookAppl outlook;
//   outlook.Context(context);
//   if (outlook.OpenSession()) {
//     outlook.Send({.addrTO = "ann@example.org", .Subject = "Report", .Body = "See attached.",
//                   .ATTACHMENTS = "/tmp/report.pdf"});
//     outlook.CloseSession();
//   }
#pragma once

#include <memory>
#include <string>

#include "quorvel/application_context.h"
#include "quorvel/export.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"

namespace quorvel {

namespace outlook {
class MailOutlookApplImpl;
}

class QUORVEL_EXPORT MailOutlookAppl {
 public:
  explicit MailOutlookAppl(Platform platform = SystemPlatform());
  ~MailOutlookAppl();
  MailOutlookAppl(const MailOutlookAppl&) = delete;
  MailOutlookAppl& operator=(const MailOutlookAppl&) = delete;
  MailOutlookAppl(MailOutlookAppl&&) noexcept;
  MailOutlookAppl& operator=(MailOutlookAppl&&) noexcept;

  // Every log line written from now on also goes to the context's SessionLogAddVerbose; none stops that.
  void Context(std::shared_ptr<ApplicationContext> conObj);
  std::string GetLog() const;

  bool OpenSession();
  // Drops Outlook without logging off or closing it; true even without a session.
  bool CloseSession();
  // Builds a mail item and displays it. True unless an error stopped that: recipients or files that
  // could not be added are only logged, and addresses Outlook refuses access to are shown to the user
  // in the library's own message box, to be added by hand. The sender travels at the front of the subject.
  bool Send(const Message& message);

 private:
  std::unique_ptr<outlook::MailOutlookApplImpl> impl_;
};

}  // namespace quorvel
