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
#include "providers/mapi/control_properties.h"
#include "providers/mapi/signed_on_sessions.h"
#include "providers/mapi/windows/simple_mapi.h"

namespace quorvel::mapi {

// A session signed on to: the system's Simple MAPI it went through, and the handle MAPILogon gave.
struct MapiLogon {
  std::shared_ptr<const simple_mapi::SystemMapi> mapi;
  simple_mapi::SessionHandle handle = 0;
};
using SystemSessions = SignedOnSessions<MapiLogon>;

class SystemMapiSession : public MapiSessionProperties {
 public:
  explicit SystemMapiSession(std::shared_ptr<SystemSessions> sessions) : sessions_(std::move(sessions)) {}
  ~SystemMapiSession() override;  // an unloaded control's session ends with it
  SystemMapiSession(const SystemMapiSession&) = delete;
  SystemMapiSession& operator=(const SystemMapiSession&) = delete;

  // Signing on again ends the session held before.
  void SignOn() override;
  void SignOff() override;

 private:
  std::shared_ptr<SystemSessions> sessions_;
};

class SystemMapiMessages : public ComposingMessages {
 public:
  SystemMapiMessages(std::shared_ptr<SystemSessions> sessions, std::shared_ptr<platform::FileSystem> files)
      : sessions_(std::move(sessions)), files_(std::move(files)) {}

  void Send(bool showDialog) override;

 private:
  std::shared_ptr<SystemSessions> sessions_;
  std::shared_ptr<platform::FileSystem> files_;
};

// Registers both controls under their program identifiers, sharing one table of sessions; the messages
// control looks for the attachments through the file system given here.
void RegisterSystemMapiControls(platform::AutomationServers& servers, std::shared_ptr<platform::FileSystem> files);

}  // namespace quorvel::mapi
