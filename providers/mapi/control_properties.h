// What both systems' Simple MAPI controls keep alike: the session control's properties, which each
// system's SignOn reads as it can, and the message the messages control composes in its slots. SignOn,
// SignOff and Send are each system's own.
#pragma once

#include <cstdint>
#include <string>

#include "providers/mapi/mapi_controls.h"
#include "providers/mapi/message_slots.h"

namespace quorvel::mapi {

class MapiSessionProperties : public MapiSession {
 public:
  void DownLoadMail(bool value) override { download_mail_ = value; }
  void LogonUI(bool value) override { logon_ui_ = value; }
  void NewSession(bool value) override { new_session_ = value; }
  std::int32_t SessionID() override { return session_id_; }
  void Password(const std::string& value) override { password_ = value; }
  void UserName(const std::string& value) override { user_name_ = value; }

 protected:
  std::int32_t session_id_ = 0;  // 0 while signed off
  bool download_mail_ = false;
  bool logon_ui_ = false;
  bool new_session_ = false;
  std::string user_name_;
  std::string password_;
};

class ComposingMessages : public MapiMessages {
 public:
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

 protected:
  MessageSlots message_;
  std::int32_t session_id_ = 0;
};

}  // namespace quorvel::mapi
