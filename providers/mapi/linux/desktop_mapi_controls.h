// The two Simple MAPI controls on Linux. Signing on picks the mail system's client, the desktop's
// default mailto: handler (GIO) unless the registration names another desktop client, and remembers it
// under a session number; sending hands the composed message to that client through the back end its
// desktop entry calls for (providers/mapi/linux/compose_backends.h), watches the started client for its first
// moments (platform/linux/first_moments.h), then returns without waiting longer. Inside a Flatpak or Snap, or with
// QUORVEL_COMPOSE=portal, the session is the desktop's Email portal instead (providers/mapi/linux/email_portal.h):
// signing on asks it for its version, sending waits for its answer. There attachments pass only with
// QUORVEL_PORTAL_ATTACHMENTS=1.
//
// What the client's command line cannot take (Sylpheed: BCC recipients) is left out and reported
// through HandOffReport.
//
// Linux mail clients take no logon from another program: DownLoadMail, LogonUI, NewSession, UserName
// and Password are kept but change nothing, and every SignOn opens a session of its own. The
// attachments' Name, Position and Type are kept too; clients name an attachment after its file.
//
// Errors, all raised before anything is started:
//   32003 SignOn: no mail client is set up to open mailto: links, or the Email portal does not answer
//   32053 SignOff without a session; Send with a session number that was never given or has ended
//   32026 Send(false): the library never sends without showing the message; attachments for a
//         client reached only by a mailto: link, or that a sandboxed client can neither read nor get a copy of
//   32011 an attachment slot whose path names no file
//   32025, 32018 as providers/mapi/linux/compose_backends.h and providers/mapi/linux/email_portal.h raise them (a
//   control character
//         in a recipient, the subject or a file name among them)
//   32002 the client's program could not be started or ended with a failure at once, the desktop did
//         not open the link, or the message body could not be written for the client
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "platform/automation_servers.h"
#include "platform/program_start.h"
#include "platform/shell.h"
#include "providers/mapi/linux/compose_backends.h"
#include "providers/mapi/linux/email_portal.h"
#include "providers/mapi/control_properties.h"
#include "providers/mapi/signed_on_sessions.h"

namespace quorvel::mapi {

// Where a session hands its messages: a mailto: handler's own back end, or the Email portal.
using MailRoute = std::variant<MailHandler, EmailPortal>;

// The sessions, each with the route it signed on to.
using DesktopSessions = SignedOnSessions<MailRoute>;

class DesktopMapiSession : public MapiSessionProperties {
 public:
  // mailSystemClient: a desktop client's name as the Mail key lists it, or empty for the desktop's default.
  DesktopMapiSession(std::shared_ptr<DesktopSessions> sessions, std::string mailSystemClient)
      : sessions_(std::move(sessions)), mail_system_client_(std::move(mailSystemClient)) {}
  ~DesktopMapiSession() override;  // an unloaded control's session ends with it
  DesktopMapiSession(const DesktopMapiSession&) = delete;
  DesktopMapiSession& operator=(const DesktopMapiSession&) = delete;

  // Signing on again ends the session held before.
  void SignOn() override;
  void SignOff() override;

 private:
  std::shared_ptr<DesktopSessions> sessions_;
  std::string mail_system_client_;
};

class DesktopMapiMessages : public ComposingMessages, public HandOffReport {
 public:
  DesktopMapiMessages(std::shared_ptr<DesktopSessions> sessions, std::shared_ptr<platform::Shell> shell,
                      std::shared_ptr<platform::ProgramStarter> programs)
      : sessions_(std::move(sessions)), shell_(std::move(shell)), programs_(std::move(programs)) {}

  void Send(bool showDialog) override;
  std::vector<std::string> NotHandedOver() const override { return not_handed_over_; }

 private:
  void Launch(const MailHandler& handler, const ComposeLaunch& launch);

  std::shared_ptr<DesktopSessions> sessions_;
  std::shared_ptr<platform::Shell> shell_;
  std::shared_ptr<platform::ProgramStarter> programs_;
  std::vector<std::string> not_handed_over_;
};

// Registers both controls under their program identifiers, sharing one table of sessions; the
// messages control starts programs and opens links through the seams given here. A mailSystemClient
// that names a desktop client makes it the mail system's client in place of the desktop's default.
void RegisterDesktopMapiControls(platform::AutomationServers& servers, std::shared_ptr<platform::Shell> shell,
                                 std::shared_ptr<platform::ProgramStarter> programs, std::string mailSystemClient = {});

}  // namespace quorvel::mapi
