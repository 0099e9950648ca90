#include "providers/cdo/windows/late_bound_cdo.h"

#include "platform/windows/com_automation.h"
#include "providers/cdo/cdo_objects.h"

namespace quorvel::cdo {
namespace {
using platform::Adapted;
using platform::LateBound;

struct LateRecipient : LateBound<Recipient> {
  using LateBound::LateBound;
  void Resolve(bool showDialog) override { o->Call("Resolve", {Variant(showDialog)}); }
  void Delete() override { o->Call("Delete"); }
};

struct LateAttachment : LateBound<Attachment> {
  using LateBound::LateBound;
  void Type(std::int32_t value) override { o->Put("Type", value); }
  void Position(std::int32_t value) override { o->Put("Position", value); }
  void Name(const std::string& value) override { o->Put("Name", value); }
  void Source(const std::string& value) override { o->Put("Source", value); }
  void ReadFromFile(const std::string& path) override { o->Call("ReadFromFile", {path}); }
};

struct LateRecipients : LateBound<Recipients> {
  using LateBound::LateBound;
  // CDO's Add takes a name, an address and a type: without the address, CDO resolves the name.
  Variant::Object Add(const std::string& name, std::int32_t type) override {
    return Adapted<LateRecipient>(o->Call("Add", {name, Variant::Missing{}, type}));
  }
};

struct LateAttachments : LateBound<Attachments> {
  using LateBound::LateBound;
  Variant::Object Add() override { return Adapted<LateAttachment>(o->Call("Add")); }
};

struct LateMessage : LateBound<Message> {
  using LateBound::LateBound;
  void Subject(const std::string& value) override { o->Put("Subject", value); }
  std::string Text() override { return platform::TextOf(o->Get("Text")); }
  void Text(const std::string& value) override { o->Put("Text", value); }
  void Importance(std::int32_t value) override { o->Put("Importance", value); }
  Variant::Object Recipients() override { return Adapted<LateRecipients>(o->Get("Recipients")); }
  Variant::Object Attachments() override { return Adapted<LateAttachments>(o->Get("Attachments")); }
  void Update() override { o->Call("Update"); }
  void Send(bool saveCopy, bool showDialog, std::int32_t parentWindow) override {
    o->Call("Send", {Variant(saveCopy), Variant(showDialog), parentWindow});
  }
};

struct LateMessages : LateBound<Messages> {
  using LateBound::LateBound;
  Variant::Object Add() override { return Adapted<LateMessage>(o->Call("Add")); }
};

struct LateFolder : LateBound<Folder> {
  using LateBound::LateBound;
  Variant::Object Messages() override { return Adapted<LateMessages>(o->Get("Messages")); }
};

struct LateSession : LateBound<Session> {
  using LateBound::LateBound;
  void Logon(const std::string& profileName, const std::string& profilePassword, bool showDialog, bool newSession,
             std::int32_t parentWindow, bool noMail, const std::optional<std::string>& profileInfo) override {
    o->Call("Logon", {profileName, profilePassword, Variant(showDialog), Variant(newSession), parentWindow,
                      Variant(noMail), profileInfo ? Variant(*profileInfo) : Variant::Missing{}});
  }
  Variant::Object GetDefaultFolder(std::int32_t folderType) override {
    return Adapted<LateFolder>(o->Call("GetDefaultFolder", {folderType}));
  }
  void Logoff() override { o->Call("Logoff"); }
};

}  // namespace

void RegisterSessionServer(platform::AutomationServers& servers) {
  servers.Register(kSessionProgId,
                   [] { return std::make_shared<LateSession>(platform::CreateLateBoundObject(kSessionProgId)); });
}

}  // namespace quorvel::cdo
