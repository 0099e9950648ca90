// The Collaboration Data Objects MailMSOutlook drives: a session logged on to a messaging profile, its
// Inbox folder, the folder's message collection, and a message with its recipients and attachments.
// No server is registered for them on Linux; a host or a test registers one under "MAPI.Session".
//
// A member that hands out another object answers it untyped, as automation does (none when there
// is none); the caller reaches the interface it needs with platform::As, which raises 13 or 91.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "quorvel/variant.h"

namespace quorvel::cdo {

inline constexpr const char* kSessionProgId = "MAPI.Session";

inline constexpr std::int32_t kCdoDefaultFolderInbox = 1;
inline constexpr std::int32_t kCdoFileData = 1;  // an attachment's Type: the file's own content

// Recipient types as a recipient collection's Add takes them.
namespace recipient_type {
inline constexpr std::int32_t kTo = 1;
inline constexpr std::int32_t kCc = 2;
inline constexpr std::int32_t kBcc = 3;
}  // namespace recipient_type

class Session : public AutomationObject {
 public:
  std::string ClassName() const override { return "Session"; }

  // Without profileInfo the named profile is used; with it, the profile is made from that text.
  // A refusal raises.
  virtual void Logon(const std::string& profileName, const std::string& profilePassword, bool showDialog,
                     bool newSession, std::int32_t parentWindow, bool noMail,
                     const std::optional<std::string>& profileInfo) = 0;
  virtual Variant::Object GetDefaultFolder(std::int32_t folderType) = 0;
  virtual void Logoff() = 0;
};

class Folder : public AutomationObject {
 public:
  std::string ClassName() const override { return "Folder"; }

  virtual Variant::Object Messages() = 0;
};

class Messages : public AutomationObject {
 public:
  std::string ClassName() const override { return "Messages"; }

  // A new empty message in the collection's folder.
  virtual Variant::Object Add() = 0;
};

class Message : public AutomationObject {
 public:
  std::string ClassName() const override { return "Message"; }

  virtual void Subject(const std::string& value) = 0;
  virtual std::string Text() = 0;
  virtual void Text(const std::string& value) = 0;
  virtual void Importance(std::int32_t value) = 0;
  virtual Variant::Object Recipients() = 0;
  virtual Variant::Object Attachments() = 0;
  // Saves the message in its folder.
  virtual void Update() = 0;
  // With showDialog the user confirms the message first; a cancel raises 0x80040113.
  virtual void Send(bool saveCopy, bool showDialog, std::int32_t parentWindow) = 0;
};

class Recipients : public AutomationObject {
 public:
  std::string ClassName() const override { return "Recipients"; }

  // A new recipient, or none when the collection does not take the name.
  virtual Variant::Object Add(const std::string& name, std::int32_t type) = 0;
};

class Recipient : public AutomationObject {
 public:
  std::string ClassName() const override { return "Recipient"; }

  // Raises, with the messaging system's code and description, when the name is not a usable address.
  virtual void Resolve(bool showDialog) = 0;
  // Removes the recipient from its message.
  virtual void Delete() = 0;
};

class Attachments : public AutomationObject {
 public:
  std::string ClassName() const override { return "Attachments"; }

  // A new attachment, or none.
  virtual Variant::Object Add() = 0;
};

class Attachment : public AutomationObject {
 public:
  std::string ClassName() const override { return "Attachment"; }

  virtual void Type(std::int32_t value) = 0;
  // Where in the message's text the attachment stands.
  virtual void Position(std::int32_t value) = 0;
  virtual void Name(const std::string& value) = 0;
  virtual void Source(const std::string& value) = 0;
  // The file's content becomes the attachment's data.
  virtual void ReadFromFile(const std::string& path) = 0;
};

}  // namespace quorvel::cdo
