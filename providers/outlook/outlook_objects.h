// The Outlook object model MailOutlookAppl drives: the application, its "MAPI" namespace, a mail item
// with its recipients and attachments. No server is registered for it on Linux; a host or a test
// registers one under "Outlook.Application".
//
// A member that hands out another object answers it untyped, as automation does (none when there
// is none); the caller reaches the interface it needs with platform::As, which raises 13 or 91.
#pragma once

#include <cstdint>
#include <string>

#include "quorvel/variant.h"

namespace quorvel::outlook {

inline constexpr const char* kApplicationProgId = "Outlook.Application";

inline constexpr std::int32_t kOlMailItem = 0;  // CreateItem's item type
inline constexpr std::int32_t kOlByValue = 1;   // an attachment's type: the file is copied into the item

// A recipient's Type.
namespace recipient_type {
inline constexpr std::int32_t kOlTo = 1;
inline constexpr std::int32_t kOlCC = 2;
inline constexpr std::int32_t kOlBCC = 3;
}  // namespace recipient_type

// What Outlook raises when its guard refuses a program access to a recipient collection.
inline constexpr std::int32_t kRecipientAccessRefused = 287;

class Application : public AutomationObject {
 public:
  std::string ClassName() const override { return "Application"; }

  virtual Variant::Object GetNamespace(const std::string& type) = 0;
  virtual Variant::Object CreateItem(std::int32_t itemType) = 0;
};

class NameSpace : public AutomationObject {
 public:
  std::string ClassName() const override { return "NameSpace"; }

  // Logs on to the default profile; a refusal raises.
  virtual void Logon() = 0;
};

class MailItem : public AutomationObject {
 public:
  std::string ClassName() const override { return "MailItem"; }

  virtual void Subject(const std::string& value) = 0;
  virtual std::string Body() = 0;
  virtual void Body(const std::string& value) = 0;
  virtual std::string HTMLBody() = 0;
  virtual void HTMLBody(const std::string& value) = 0;
  virtual void Importance(std::int32_t value) = 0;
  virtual Variant::Object Recipients() = 0;
  virtual Variant::Object Attachments() = 0;
  // Shows the item in its own window and returns without waiting for the user.
  virtual void Display() = 0;
};

class Recipients : public AutomationObject {
 public:
  std::string ClassName() const override { return "Recipients"; }

  // A new recipient with the address as its text, or none.
  virtual Variant::Object Add(const std::string& name) = 0;
};

class Recipient : public AutomationObject {
 public:
  std::string ClassName() const override { return "Recipient"; }

  virtual void Type(std::int32_t value) = 0;
};

class Attachments : public AutomationObject {
 public:
  std::string ClassName() const override { return "Attachments"; }

  // A new attachment made from the file at source, or none.
  virtual Variant::Object Add(const std::string& source, std::int32_t type, std::int32_t position,
                              const std::string& displayName) = 0;
};

class Attachment : public AutomationObject {
 public:
  std::string ClassName() const override { return "Attachment"; }
};

}  // namespace quorvel::outlook
