#include "tests/doubles/fake_mapi_controls.h"

namespace quorvel::testing {

void ControlRecorder::Use(const std::string& member, const std::string& entry) {
  calls.push_back(entry);
  if (const auto failure = failures.find(member); failure != failures.end()) throw failure->second;
}

std::int32_t FakeMapiSession::SessionID() {
  Use("SessionID", "SessionID");
  return session_id;
}

void FakeMapiSession::SignOn() {
  Use("SignOn", "SignOn()");
  signed_on = true;
  if (session_id == 0) session_id = 1001;
}

void FakeMapiSession::SignOff() {
  Use("SignOff", "SignOff()");
  signed_on = false;
}

void FakeMapiMessages::SessionID(std::int32_t value) {
  Use("SessionID", "SessionID=" + std::to_string(value));
  session_id = value;
}

void FakeMapiMessages::Compose() {
  Use("Compose", "Compose()");
  message.Compose();
}

void FakeMapiMessages::MsgSubject(const std::string& value) {
  Use("MsgSubject", "MsgSubject=" + value);
  message.MsgSubject(value);
}

void FakeMapiMessages::MsgNoteText(const std::string& value) {
  Use("MsgNoteText", "MsgNoteText=" + value);
  message.MsgNoteText(value);
}

std::int32_t FakeMapiMessages::RecipCount() {
  Use("RecipCount", "RecipCount");
  return message.RecipCount();
}

void FakeMapiMessages::RecipIndex(std::int32_t value) {
  Use("RecipIndex", "RecipIndex=" + std::to_string(value));
  message.RecipIndex(value);
}

void FakeMapiMessages::RecipAddress(const std::string& value) {
  Use("RecipAddress", "RecipAddress=" + value);
  message.RecipAddress(value);
}

void FakeMapiMessages::RecipType(std::int16_t value) {
  Use("RecipType", "RecipType=" + std::to_string(value));
  message.RecipType(value);
}

std::int32_t FakeMapiMessages::AttachmentCount() {
  Use("AttachmentCount", "AttachmentCount");
  return message.AttachmentCount();
}

void FakeMapiMessages::AttachmentIndex(std::int32_t value) {
  Use("AttachmentIndex", "AttachmentIndex=" + std::to_string(value));
  message.AttachmentIndex(value);
}

void FakeMapiMessages::AttachmentName(const std::string& value) {
  Use("AttachmentName", "AttachmentName=" + value);
  message.AttachmentName(value);
}

void FakeMapiMessages::AttachmentPathName(const std::string& value) {
  Use("AttachmentPathName", "AttachmentPathName=" + value);
  message.AttachmentPathName(value);
}

void FakeMapiMessages::AttachmentPosition(std::int32_t value) {
  Use("AttachmentPosition", "AttachmentPosition=" + std::to_string(value));
  message.AttachmentPosition(value);
}

void FakeMapiMessages::AttachmentType(std::int16_t value) {
  Use("AttachmentType", "AttachmentType=" + std::to_string(value));
  message.AttachmentType(value);
}

void FakeMapiMessages::Send(bool showDialog) {
  Use("Send", std::string("Send(") + (showDialog ? "True" : "False") + ")");
  if (user_cancels) throw mapi::MapiError(mapi::mapi_error::kUserAbort);
  sent = true;
}

}  // namespace quorvel::testing
