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
#include "providers/mapi/mapi_controls.h"
#include "providers/mapi/message_slots.h"
#include "providers/mapi/signed_on_sessions.h"

namespace quorvel::mapi {

// Where a session hands its messages: a mailto: handler's own back end, or the Email portal.
using MailRoute = std::variant<MailHandler, EmailPortal>;

// The sessions, each with the route it signed on to.
using DesktopSessions = SignedOnSessions<MailRoute>;

class DesktopMapiSession : public MapiSession {
 public:
  // mailSystemClient: a desktop client's name as the Mail key lists it, or empty for the desktop's default.
  DesktopMapiSession(std::shared_ptr<DesktopSessions> sessions, std::string mailSystemClient)
      : sessions_(std::move(sessions)), mail_system_client_(std::move(mailSystemClient)) {}
  ~DesktopMapiSession() override;  // an unloaded control's session ends with it
  DesktopMapiSession(const DesktopMapiSession&) = delete;
  DesktopMapiSession& operator=(const DesktopMapiSession&) = delete;

  void DownLoadMail(bool value) override { download_mail_ = value; }
  void LogonUI(bool value) override { logon_ui_ = value; }
  void NewSession(bool value) override { new_session_ = value; }
  std::int32_t SessionID() override { return session_id_; }
  void Password(const std::string& value) override { password_ = value; }
  void UserName(const std::string& value) override { user_name_ = value; }
  // Signing on again ends the session held before.
  void SignOn() override;
  void SignOff() override;

 private:
  std::shared_ptr<DesktopSessions> sessions_;
  std::string mail_system_client_;
  std::int32_t session_id_ = 0;
  bool download_mail_ = false;
  bool logon_ui_ = false;
  bool new_session_ = false;
  std::string user_name_;
  std::string password_;
};

class DesktopMapiMessages : public MapiMessages, public HandOffReport {
 public:
  DesktopMapiMessages(std::shared_ptr<DesktopSessions> sessions, std::shared_ptr<platform::Shell> shell,
                      std::shared_ptr<platform::ProgramStarter> programs)
      : sessions_(std::move(sessions)), shell_(std::move(shell)), programs_(std::move(programs)) {}

  void SessionID(std::int32_t value) override { session_id_ = value; }
  void Compose() override { message_.Compose(); }
  void MsgSubject(const std::string& value) override { message_.MsgSubject(value); }
  void MsgNoteText(const std::string& value) override { message_.MsgNoteText(value); }
  std::int32_t RecipCount() override { return message_.RecipCount(); }
  void RecipIndex(std::int32_t value) override { message_.RecipIndex(value); }
  void RecipAddress(const std::string& value) override { message_.RecipAddress(value); }
  void RecipType(std::int16_t value) override { message_.RecipType(value); }
  std::int32_t AttachmentCount() override { return message_.AttachmentCount(); }
  void AttachmentIndex(std::int32_t value) override { message_.AttachmentIndex(value); }
  void AttachmentName(const std::string& value) override { message_.AttachmentName(value); }
  void AttachmentPathName(const std::string& value) override { message_.AttachmentPathName(value); }
  void AttachmentPosition(std::int32_t value) override { message_.AttachmentPosition(value); }
  void AttachmentType(std::int16_t value) override { message_.AttachmentType(value); }
  void Send(bool showDialog) override;
  std::vector<std::string> NotHandedOver() const override { return not_handed_over_; }

 private:
  void Launch(const MailHandler& handler, const ComposeLaunch& launch);

  std::shared_ptr<DesktopSessions> sessions_;
  std::shared_ptr<platform::Shell> shell_;
  std::shared_ptr<platform::ProgramStarter> programs_;
  MessageSlots message_;
  std::int32_t session_id_ = 0;
  std::vector<std::string> not_handed_over_;
};

// Registers both controls under their program identifiers, sharing one table of sessions; the
// messages control starts programs and opens links through the seams given here. A mailSystemClient
// that names a desktop client makes it the mail system's client in place of the desktop's default.
void RegisterDesktopMapiControls(platform::AutomationServers& servers, std::shared_ptr<platform::Shell> shell,
                                 std::shared_ptr<platform::ProgramStarter> programs, std::string mailSystemClient = {});

}  // namespace quorvel::mapi
