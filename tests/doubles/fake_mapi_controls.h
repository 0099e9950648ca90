// Scriptable stand-ins for the two MAPI controls: any member can be made to fail, and every property
// set and method called is recorded in order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/mapi_controls.h"
#include "platform/mapi_message_slots.h"

namespace quorvel::testing {

class ControlRecorder {
 public:
  // "Member=value" for a property set, "Member" for a property read, "Member()" / "Member(value)" for a method.
  std::vector<std::string> calls;
  // The error a member raises, by its name, every time it is used.
  std::map<std::string, AutomationError> failures;

 protected:
  void Use(const std::string& member, const std::string& entry);
};

class FakeMapiSession : public mapi::MapiSession, public ControlRecorder {
 public:
  void DownLoadMail(bool value) override { Use("DownLoadMail", Set("DownLoadMail", value)); }
  void LogonUI(bool value) override { Use("LogonUI", Set("LogonUI", value)); }
  void NewSession(bool value) override { Use("NewSession", Set("NewSession", value)); }
  std::int32_t SessionID() override;
  void Password(const std::string& value) override { Use("Password", "Password=" + value); }
  void UserName(const std::string& value) override { Use("UserName", "UserName=" + value); }
  void SignOn() override;
  void SignOff() override;

  std::int32_t session_id = 0;  // what SessionID reads; SignOn makes it nonzero
  bool signed_on = false;

 private:
  static std::string Set(const char* member, bool value) { return std::string(member) + (value ? "=True" : "=False"); }
};

class FakeMapiMessages : public mapi::MapiMessages, public ControlRecorder {
 public:
  void SessionID(std::int32_t value) override;
  void Compose() override;
  void MsgSubject(const std::string& value) override;
  void MsgNoteText(const std::string& value) override;
  std::int32_t RecipCount() override;
  void RecipIndex(std::int32_t value) override;
  void RecipAddress(const std::string& value) override;
  void RecipType(std::int16_t value) override;
  std::int32_t AttachmentCount() override;
  void AttachmentIndex(std::int32_t value) override;
  void AttachmentName(const std::string& value) override;
  void AttachmentPathName(const std::string& value) override;
  void AttachmentPosition(std::int32_t value) override;
  void AttachmentType(std::int16_t value) override;
  // Raises 32001 when the script says the user closes the compose window without sending.
  void Send(bool showDialog) override;

  mapi::MessageSlots message;
  std::int32_t session_id = 0;
  bool user_cancels = false;
  bool sent = false;
};

}  // namespace quorvel::testing
