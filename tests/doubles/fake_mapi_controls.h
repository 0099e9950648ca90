// Scriptable stand-ins for the two MAPI controls, each member one call into RecordedObject. The message
// itself is kept by the library's own slots, as the desktop controls keep it.
#pragma once

#include "providers/mapi/mapi_controls.h"
#include "providers/mapi/message_slots.h"
#include "tests/doubles/recorded_object.h"

namespace quorvel::testing {

class FakeMapiSession : public mapi::MapiSession, public RecordedObject {
 public:
  FakeMapiSession()
      : RecordedObject(
            {"DownLoadMail", "LogonUI", "NewSession", "SessionID", "Password", "UserName", "SignOn", "SignOff"},
            {{"session_id", 0}, {"signed_on", false}}) {}

  void DownLoadMail(bool value) override { Set("DownLoadMail", value); }
  void LogonUI(bool value) override { Set("LogonUI", value); }
  void NewSession(bool value) override { Set("NewSession", value); }
  std::int32_t SessionID() override { return Read("SessionID", state["session_id"].get<std::int32_t>()); }
  void Password(const std::string& value) override { Set("Password", value); }
  void UserName(const std::string& value) override { Set("UserName", value); }
  // A session the script did not number gets 1001.
  void SignOn() override {
    Method("SignOn");
    state["signed_on"] = true;
    if (state["session_id"] == 0) state["session_id"] = 1001;
  }
  void SignOff() override {
    Method("SignOff");
    state["signed_on"] = false;
  }
};

class FakeMapiMessages : public mapi::MapiMessages, public RecordedObject {
 public:
  FakeMapiMessages()
      : RecordedObject({"SessionID", "Compose", "MsgSubject", "MsgNoteText", "RecipCount", "RecipIndex", "RecipAddress",
                        "RecipType", "AttachmentCount", "AttachmentIndex", "AttachmentName", "AttachmentPathName",
                        "AttachmentPosition", "AttachmentType", "Send"},
                       {{"session_id", 0}, {"sent", false}, {"cancelled", false}, {"user_cancels", false}}) {}

  void SessionID(std::int32_t value) override { state["session_id"] = Set("SessionID", value); }
  void Compose() override {
    Method("Compose");
    message.Compose();
  }
  void MsgSubject(const std::string& text) override { message.MsgSubject(Set("MsgSubject", text)); }
  void MsgNoteText(const std::string& text) override { message.MsgNoteText(Set("MsgNoteText", text)); }
  std::int32_t RecipCount() override { return Read("RecipCount", message.RecipCount()); }
  void RecipIndex(std::int32_t index) override { message.RecipIndex(Set("RecipIndex", index)); }
  void RecipAddress(const std::string& address) override { message.RecipAddress(Set("RecipAddress", address)); }
  void RecipType(std::int16_t type) override { message.RecipType(Set("RecipType", type)); }
  std::int32_t AttachmentCount() override { return Read("AttachmentCount", message.AttachmentCount()); }
  void AttachmentIndex(std::int32_t index) override { message.AttachmentIndex(Set("AttachmentIndex", index)); }
  void AttachmentName(const std::string& name) override { message.AttachmentName(Set("AttachmentName", name)); }
  void AttachmentPathName(const std::string& path) override {
    message.AttachmentPathName(Set("AttachmentPathName", path));
  }
  void AttachmentPosition(std::int32_t at) override { message.AttachmentPosition(Set("AttachmentPosition", at)); }
  void AttachmentType(std::int16_t type) override { message.AttachmentType(Set("AttachmentType", type)); }
  // With the script's user_cancels, the user closes the compose window without sending: 32001.
  void Send(bool showDialog) override {
    Record("Send", std::string("Send(") + (showDialog ? "True" : "False") + ")");
    state[state["user_cancels"] ? "cancelled" : "sent"] = true;
    if (state["user_cancels"]) throw mapi::MapiError(mapi::mapi_error::kUserAbort);
  }

  nlohmann::ordered_json Dump() const override {
    nlohmann::ordered_json dump = RecordedObject::Dump(), recipients = nlohmann::ordered_json::array();
    nlohmann::ordered_json attachments = nlohmann::ordered_json::array();
    for (const auto& r : message.recipients()) recipients.push_back({{"address", r.address}, {"type", r.type}});
    for (const auto& a : message.attachments()) {
      attachments.push_back({{"name", a.name}, {"path_name", a.path_name}, {"position", a.position}, {"type", a.type}});
    }
    dump["message"] = {{"subject", message.subject()},
                       {"note_text", message.note_text()},
                       {"recipients", recipients},
                       {"attachments", attachments}};
    return dump;
  }

  mapi::MessageSlots message;
};

}  // namespace quorvel::testing
