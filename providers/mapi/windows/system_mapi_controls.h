// The two Simple MAPI controls on Windows, over the system's Simple MAPI (providers/mapi/windows/simple_mapi.h).
// Signing on logs on to the mail system (MAPILogon, with the flags LogonUI, NewSession and DownLoadMail
// ask for, and UserName and Password in the system's ANSI code page) and keeps the session under a
// number; sending hands the message to the mail client's compose window (MAPISendMailW with its dialog)
// and returns when the client does. A recipient goes as its display name and "SMTP:" with its address,
// a bare address being its own name.
//
// The attachments' Position and Type are kept but not passed on: every attachment goes as one the
// client places itself, and the client tells a file's type by the file.
//
// Errors:
//   32003 SignOn: Simple MAPI is not available on this system, or the user name or password has a
//         character the system's code page lacks
//   32000 + code: a call answered that Simple MAPI code (32001 the user cancelled, 32002 a failure,
//         32003 the logon was refused, 32014 a recipient the client does not know, ...)
//   32053 SignOff without a session; Send with a session number that was never given or has ended
//   32026 Send(false): the library never sends without showing the message
//   32011 an attachment slot whose path names no file
//   32025 a recipient whose text holds no address ("Ann <>")
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation_servers.h"
#include "platform/file_system.h"
#include "providers/mapi/mapi_controls.h"
#include "providers/mapi/message_slots.h"
#include "providers/mapi/signed_on_sessions.h"
#include "providers/mapi/windows/simple_mapi.h"

namespace quorvel::mapi {

// A session signed on to: the system's Simple MAPI it went through, and the handle MAPILogon gave.
struct MapiLogon {
  std::shared_ptr<const simple_mapi::SystemMapi> mapi;
  simple_mapi::SessionHandle handle = 0;
};
using SystemSessions = SignedOnSessions<MapiLogon>;

class SystemMapiSession : public MapiSession {
 public:
  explicit SystemMapiSession(std::shared_ptr<SystemSessions> sessions) : sessions_(std::move(sessions)) {}
  ~SystemMapiSession() override;  // an unloaded control's session ends with it
  SystemMapiSession(const SystemMapiSession&) = delete;
  SystemMapiSession& operator=(const SystemMapiSession&) = delete;

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
  std::shared_ptr<SystemSessions> sessions_;
  std::int32_t session_id_ = 0;
  bool download_mail_ = false;
  bool logon_ui_ = false;
  bool new_session_ = false;
  std::string user_name_;
  std::string password_;
};

class SystemMapiMessages : public MapiMessages {
 public:
  SystemMapiMessages(std::shared_ptr<SystemSessions> sessions, std::shared_ptr<platform::FileSystem> files)
      : sessions_(std::move(sessions)), files_(std::move(files)) {}

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

 private:
  std::shared_ptr<SystemSessions> sessions_;
  std::shared_ptr<platform::FileSystem> files_;
  MessageSlots message_;
  std::int32_t session_id_ = 0;
};

// Registers both controls under their program identifiers, sharing one table of sessions; the messages
// control looks for the attachments through the file system given here.
void RegisterSystemMapiControls(platform::AutomationServers& servers, std::shared_ptr<platform::FileSystem> files);

}  // namespace quorvel::mapi
