// Scriptable stand-ins for the two MAPI controls, each member one call into RecordedObject. The message
// itself is kept by the library's own slots, as the desktop controls keep it.
#pragma once

#include "platform/mapi_controls.h"
#include "platform/mapi_message_slots.h"
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

  void SessionID(std::int32_t value) override {
    Set("SessionID", value);
    state["session_id"] = value;
  }
  void Compose() override {
    Method("Compose");
    message.Compose();
  }
  void MsgSubject(const std::string& value) override { Slot("MsgSubject", value, &mapi::MessageSlots::MsgSubject); }
  void MsgNoteText(const std::string& value) override { Slot("MsgNoteText", value, &mapi::MessageSlots::MsgNoteText); }
  std::int32_t RecipCount() override { return Read("RecipCount", message.RecipCount()); }
  void RecipIndex(std::int32_t value) override { Slot("RecipIndex", value, &mapi::MessageSlots::RecipIndex); }
  void RecipAddress(const std::string& value) override {
    Slot("RecipAddress", value, &mapi::MessageSlots::RecipAddress);
  }
  void RecipType(std::int16_t value) override { Slot("RecipType", value, &mapi::MessageSlots::RecipType); }
  std::int32_t AttachmentCount() override { return Read("AttachmentCount", message.AttachmentCount()); }
  void AttachmentIndex(std::int32_t value) override {
    Slot("AttachmentIndex", value, &mapi::MessageSlots::AttachmentIndex);
  }
  void AttachmentName(const std::string& value) override {
    Slot("AttachmentName", value, &mapi::MessageSlots::AttachmentName);
  }
  void AttachmentPathName(const std::string& value) override {
    Slot("AttachmentPathName", value, &mapi::MessageSlots::AttachmentPathName);
  }
  void AttachmentPosition(std::int32_t value) override {
    Slot("AttachmentPosition", value, &mapi::MessageSlots::AttachmentPosition);
  }
  void AttachmentType(std::int16_t value) override {
    Slot("AttachmentType", value, &mapi::MessageSlots::AttachmentType);
  }
  // With the script's user_cancels, the user closes the compose window without sending: 32001.
  void Send(bool showDialog) override {
    Record("Send", std::string("Send(") + (showDialog ? "True" : "False") + ")");
    state[state["user_cancels"] ? "cancelled" : "sent"] = true;
    if (state["user_cancels"]) throw mapi::MapiError(mapi::mapi_error::kUserAbort);
  }

  nlohmann::ordered_json Dump() const override {
    nlohmann::ordered_json dump = RecordedObject::Dump();
    dump["message"] = {{"subject", message.subject()},
                       {"note_text", message.note_text()},
                       {"recipients", nlohmann::ordered_json::array()},
                       {"attachments", nlohmann::ordered_json::array()}};
    for (const auto& r : message.recipients()) {
      dump["message"]["recipients"].push_back({{"address", r.address}, {"type", r.type}});
    }
    for (const auto& a : message.attachments()) {
      dump["message"]["attachments"].push_back(
          {{"name", a.name}, {"path_name", a.path_name}, {"position", a.position}, {"type", a.type}});
    }
    return dump;
  }

  mapi::MessageSlots message;

 private:
  // Records the set, then applies it to the message's slots.
  template <class Value, class Apply>
  void Slot(const std::string& member, const Value& value, Apply apply) {
    Set(member, value);
    (message.*apply)(value);
  }
};

}  // namespace quorvel::testing
