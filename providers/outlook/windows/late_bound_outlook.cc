#include "providers/outlook/windows/late_bound_outlook.h"

#include "platform/windows/com_automation.h"
#include "providers/outlook/outlook_objects.h"

namespace quorvel::outlook {
namespace {
using platform::Adapted;
using platform::LateBound;

struct LateRecipient : LateBound<Recipient> {
  using LateBound::LateBound;
  void Type(std::int32_t value) override { o->Put("Type", value); }
};

struct LateAttachment : LateBound<Attachment> {
  using LateBound::LateBound;
};

struct LateRecipients : LateBound<Recipients> {
  using LateBound::LateBound;
  Variant::Object Add(const std::string& name) override { return Adapted<LateRecipient>(o->Call("Add", {name})); }
};

struct LateAttachments : LateBound<Attachments> {
  using LateBound::LateBound;
  Variant::Object Add(const std::string& source, std::int32_t type, std::int32_t position,
                      const std::string& displayName) override {
    return Adapted<LateAttachment>(o->Call("Add", {source, type, position, displayName}));
  }
};

struct LateMailItem : LateBound<MailItem> {
  using LateBound::LateBound;
  void Subject(const std::string& value) override { o->Put("Subject", value); }
  std::string Body() override { return platform::TextOf(o->Get("Body")); }
  void Body(const std::string& value) override { o->Put("Body", value); }
  std::string HTMLBody() override { return platform::TextOf(o->Get("HTMLBody")); }
  void HTMLBody(const std::string& value) override { o->Put("HTMLBody", value); }
  void Importance(std::int32_t value) override { o->Put("Importance", value); }
  Variant::Object Recipients() override { return Adapted<LateRecipients>(o->Get("Recipients")); }
  Variant::Object Attachments() override { return Adapted<LateAttachments>(o->Get("Attachments")); }
  void Display() override { o->Call("Display"); }
};

struct LateNameSpace : LateBound<NameSpace> {
  using LateBound::LateBound;
  void Logon() override { o->Call("Logon"); }
};

// Late binding cannot tell a mail item from another item before its first member: CreateItem's answer
// is taken as a mail item, and a member it lacks raises 438 where it is used.
struct LateApplication : LateBound<Application> {
  using LateBound::LateBound;
  Variant::Object GetNamespace(const std::string& type) override {
    return Adapted<LateNameSpace>(o->Call("GetNamespace", {type}));
  }
  Variant::Object CreateItem(std::int32_t itemType) override {
    return Adapted<LateMailItem>(o->Call("CreateItem", {itemType}));
  }
};

}  // namespace

void RegisterApplicationServer(platform::AutomationServers& servers) {
  servers.Register(kApplicationProgId, [] {
    return std::make_shared<LateApplication>(platform::CreateLateBoundObject(kApplicationProgId));
  });
}

}  // namespace quorvel::outlook
