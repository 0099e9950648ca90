#include "tests/doubles/fake_cdo_objects.h"

#include <algorithm>

namespace quorvel::testing {

using Json = nlohmann::ordered_json;

namespace {
std::string Flag(bool value) { return value ? "True" : "False"; }
}  // namespace

// Each object below keeps what it holds in `state`, which the session's dump shows.
class FakeCdoRecipient : public cdo::Recipient {
 public:
  FakeCdoRecipient(FakeCdoSession& model, const std::string& name, std::int32_t type)
      : model_(model), state{{"name", name}, {"type", type}, {"deleted", false}} {}
  void Resolve(bool showDialog) override {
    const std::string call = "Recipient.Resolve(" + Flag(showDialog) + ")";
    // The script's Resolve error is for the addresses it lists, and for them only.
    if (model_.Listed("unresolved", state["name"]))
      model_.Record("Recipient.Resolve", call);
    else
      model_.calls.push_back(call);
  }
  void Delete() override {
    model_.Method("Recipient.Delete");
    state["deleted"] = true;
  }

  FakeCdoSession& model_;
  Json state;
};

class FakeCdoAttachment : public cdo::Attachment {
 public:
  explicit FakeCdoAttachment(FakeCdoSession& model) : model_(model) {}
  void Type(std::int32_t value) override { state["type"] = model_.Set("Attachment.Type", value); }
  void Position(std::int32_t value) override { state["position"] = model_.Set("Attachment.Position", value); }
  void Name(const std::string& value) override { state["name"] = model_.Set("Attachment.Name", value); }
  void Source(const std::string& value) override { state["source"] = model_.Set("Attachment.Source", value); }
  void ReadFromFile(const std::string& path) override {
    model_.Record("Attachment.ReadFromFile", "Attachment.ReadFromFile(" + path + ")");
  }

  FakeCdoSession& model_;
  Json state = Json::object();
};

// Recipients and attachments: Add makes a new item, or answers none when the script says so.
template <class Item, class Collection>
class FakeCdoCollection : public Collection {
 public:
  FakeCdoCollection(FakeCdoSession& model, const char* name) : model_(model), name_(name) {}
  template <class... Args>
  Variant::Object Make(const std::string& call, Args&&... args) {
    model_.Record(name_ + ".Add", name_ + ".Add(" + call + ")");
    if (model_.Listed("answer_nothing", name_)) return nullptr;
    return items.emplace_back(std::make_shared<Item>(model_, std::forward<Args>(args)...));
  }
  Json Dump() const {
    Json dump = Json::array();
    for (const auto& item : items) dump.push_back(item->state);
    return dump;
  }

  FakeCdoSession& model_;
  const std::string name_;
  std::vector<std::shared_ptr<Item>> items;
};

struct FakeCdoRecipients : FakeCdoCollection<FakeCdoRecipient, cdo::Recipients> {
  explicit FakeCdoRecipients(FakeCdoSession& model) : FakeCdoCollection(model, "Recipients") {}
  Variant::Object Add(const std::string& name, std::int32_t type) override {
    return Make(name + ", " + std::to_string(type), name, type);
  }
};

struct FakeCdoAttachments : FakeCdoCollection<FakeCdoAttachment, cdo::Attachments> {
  explicit FakeCdoAttachments(FakeCdoSession& model) : FakeCdoCollection(model, "Attachments") {}
  Variant::Object Add() override { return Make(""); }
};

class FakeCdoMessage : public cdo::Message {
 public:
  explicit FakeCdoMessage(FakeCdoSession& model) : model_(model) {}
  void Subject(const std::string& value) override { state["subject"] = model_.Set("Message.Subject", value); }
  std::string Text() override { return model_.Read("Message.Text", state["text"].get<std::string>()); }
  void Text(const std::string& value) override { state["text"] = model_.Set("Message.Text", value); }
  void Importance(std::int32_t value) override { state["importance"] = model_.Set("Message.Importance", value); }
  Variant::Object Recipients() override { return model_.Read("Message.Recipients", recipients_); }
  Variant::Object Attachments() override { return model_.Read("Message.Attachments", attachments_); }
  void Update() override {
    model_.Method("Message.Update");
    state["updates"] = state["updates"].get<int>() + 1;
  }
  void Send(bool saveCopy, bool showDialog, std::int32_t parentWindow) override {
    state["send"] = {saveCopy, showDialog, parentWindow};
    model_.Record("Message.Send", "Message.Send(" + Flag(saveCopy) + ", " + Flag(showDialog) + ", " +
                                      std::to_string(parentWindow) + ")");
  }
  Json Dump() const {
    Json dump = state;
    dump["recipients"] = recipients_->Dump();
    dump["attachments"] = attachments_->Dump();
    return dump;
  }

 private:
  FakeCdoSession& model_;
  // The recipients and attachments take their places in the dump.
  Json state = {{"subject", ""},     {"text", ""},        {"importance", 1}, {"recipients", nullptr},
                {"attachments", nullptr}, {"updates", 0}, {"send", nullptr}};
  std::shared_ptr<FakeCdoRecipients> recipients_ = std::make_shared<FakeCdoRecipients>(model_);
  std::shared_ptr<FakeCdoAttachments> attachments_ = std::make_shared<FakeCdoAttachments>(model_);
};

struct FakeCdoMessages : cdo::Messages {
  explicit FakeCdoMessages(FakeCdoSession& model) : model_(model) {}
  Variant::Object Add() override {
    model_.Method("Messages.Add");
    if (model_.Listed("answer_nothing", "Messages")) return nullptr;
    return model_.messages.emplace_back(std::make_shared<FakeCdoMessage>(model_));
  }
  FakeCdoSession& model_;
};

struct FakeCdoFolder : cdo::Folder {
  explicit FakeCdoFolder(FakeCdoSession& model) : model_(model) {}
  Variant::Object Messages() override {
    return model_.Read("Folder.Messages", std::make_shared<FakeCdoMessages>(model_));
  }
  FakeCdoSession& model_;
};

FakeCdoSession::FakeCdoSession()
    : RecordedObject({"Session.Logon", "Session.GetDefaultFolder", "Session.Logoff", "Folder.Messages", "Messages.Add",
                      "Message.Subject", "Message.Text", "Message.Importance", "Message.Recipients",
                      "Message.Attachments", "Message.Update", "Message.Send", "Recipients.Add", "Recipient.Resolve",
                      "Recipient.Delete", "Attachments.Add", "Attachment.Type", "Attachment.Position",
                      "Attachment.Name", "Attachment.Source", "Attachment.ReadFromFile"},
                     {{"unresolved", Json::array()}, {"answer_nothing", Json::array()}}) {}

void FakeCdoSession::Logon(const std::string& profileName, const std::string& profilePassword, bool showDialog,
                           bool newSession, std::int32_t parentWindow, bool noMail,
                           const std::optional<std::string>& profileInfo) {
  Record("Session.Logon", "Session.Logon(" + profileName + ", " + profilePassword + ", " + Flag(showDialog) + ", " +
                              Flag(newSession) + ", " + std::to_string(parentWindow) + ", " + Flag(noMail) +
                              (profileInfo ? ", " + *profileInfo : "") + ")");
}

Variant::Object FakeCdoSession::GetDefaultFolder(std::int32_t folderType) {
  Record("Session.GetDefaultFolder", "Session.GetDefaultFolder(" + std::to_string(folderType) + ")");
  return std::make_shared<FakeCdoFolder>(*this);
}

void FakeCdoSession::Logoff() { Method("Session.Logoff"); }

bool FakeCdoSession::Listed(const char* key, const std::string& name) const {
  const Json& names = state.at(key);
  return std::find(names.begin(), names.end(), Json(name)) != names.end();
}

Json FakeCdoSession::Dump() const {
  Json dump = RecordedObject::Dump(), made = Json::array();
  for (const auto& message : messages) made.push_back(message->Dump());
  dump["messages"] = made;
  return dump;
}

}  // namespace quorvel::testing
