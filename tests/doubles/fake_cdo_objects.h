// A scriptable Collaboration Data Objects model behind one session double. Every object of the model
// records into the session, as "Object.Member" ("Message.Subject=Hi", "Recipient.Resolve(False)"), and
// each message made keeps what it holds in the session's `messages`, so the dump shows the calls and
// the messages.
//
// Scripted through the session's state: `unresolved`, the addresses whose Resolve raises the error
// `fail` gives "Recipient.Resolve"; `answer_nothing`, the collections ("Messages", "Recipients",
// "Attachments") whose Add answers no object.
#pragma once

#include <algorithm>
#include <memory>

#include "providers/cdo/cdo_objects.h"
#include "tests/doubles/recorded_object.h"

namespace quorvel::testing {

class FakeCdoSession : public cdo::Session, public RecordedObject {
  using Part = RecordedObject::Part<FakeCdoSession>;
  struct Recipient : cdo::Recipient, Part {
    using Part::Part;
    void Resolve(bool showDialog) override {
      const std::string call = "Recipient.Resolve(" + Flag(showDialog) + ")";
      // The script's Resolve error is for the addresses it lists, and for them only.
      if (model.Listed("unresolved", Own()["name"]))
        model.Record("Recipient.Resolve", call);
      else
        model.calls.push_back(call);
    }
    void Delete() override {
      model.Method("Recipient.Delete");
      Own()["deleted"] = true;
    }
  };
  struct Attachment : cdo::Attachment, Part {
    using Part::Part;
    void Type(std::int32_t value) override { Own()["type"] = model.Set("Attachment.Type", value); }
    void Position(std::int32_t value) override { Own()["position"] = model.Set("Attachment.Position", value); }
    void Name(const std::string& value) override { Own()["name"] = model.Set("Attachment.Name", value); }
    void Source(const std::string& value) override { Own()["source"] = model.Set("Attachment.Source", value); }
    void ReadFromFile(const std::string& path) override {
      model.Record("Attachment.ReadFromFile", "Attachment.ReadFromFile(" + path + ")");
    }
  };
  struct Recipients : cdo::Recipients, Part {
    using Part::Part;
    Variant::Object Add(const std::string& name, std::int32_t type) override {
      model.Record("Recipients.Add", "Recipients.Add(" + name + ", " + std::to_string(type) + ")");
      return model.Added<Recipient>("Recipients", at, {{"name", name}, {"type", type}, {"deleted", false}});
    }
  };
  struct Attachments : cdo::Attachments, Part {
    using Part::Part;
    Variant::Object Add() override {
      model.Record("Attachments.Add", "Attachments.Add()");
      return model.Added<Attachment>("Attachments", at, Json::object());
    }
  };
  struct Message : cdo::Message, Part {
    using Part::Part;
    void Subject(const std::string& value) override { Own()["subject"] = model.Set("Message.Subject", value); }
    std::string Text() override { return model.Read("Message.Text", Own()["text"].get<std::string>()); }
    void Text(const std::string& value) override { Own()["text"] = model.Set("Message.Text", value); }
    void Importance(std::int32_t value) override { Own()["importance"] = model.Set("Message.Importance", value); }
    Variant::Object Recipients() override { return model.Read("Message.Recipients", recipients); }
    Variant::Object Attachments() override { return model.Read("Message.Attachments", attachments); }
    void Update() override {
      model.Method("Message.Update");
      Own()["updates"] = Own()["updates"].get<int>() + 1;
    }
    void Send(bool saveCopy, bool showDialog, std::int32_t parentWindow) override {
      Own()["send"] = {saveCopy, showDialog, parentWindow};
      model.Record("Message.Send", "Message.Send(" + Flag(saveCopy) + ", " + Flag(showDialog) + ", " +
                                       std::to_string(parentWindow) + ")");
    }
    Variant::Object recipients = std::make_shared<FakeCdoSession::Recipients>(model, at / "recipients");
    Variant::Object attachments = std::make_shared<FakeCdoSession::Attachments>(model, at / "attachments");
  };
  struct Messages : cdo::Messages, Part {
    using Part::Part;
    Variant::Object Add() override {
      model.Method("Messages.Add");
      return model.Added<Message>("Messages", at,
                                  {{"subject", ""},
                                   {"text", ""},
                                   {"importance", 1},
                                   {"recipients", Json::array()},
                                   {"attachments", Json::array()},
                                   {"updates", 0},
                                   {"send", nullptr}});
    }
  };
  struct Folder : cdo::Folder, Part {
    using Part::Part;
    Variant::Object Messages() override {
      return model.Read("Folder.Messages", std::make_shared<FakeCdoSession::Messages>(model, at));
    }
  };

 public:
  FakeCdoSession()
      : RecordedObject(
            {"Session.Logon",          "Session.GetDefaultFolder", "Session.Logoff",   "Folder.Messages",
             "Messages.Add",           "Message.Subject",          "Message.Text",     "Message.Importance",
             "Message.Recipients",     "Message.Attachments",      "Message.Update",   "Message.Send",
             "Recipients.Add",         "Recipient.Resolve",        "Recipient.Delete", "Attachments.Add",
             "Attachment.Type",        "Attachment.Position",      "Attachment.Name",  "Attachment.Source",
             "Attachment.ReadFromFile"},
            {{"unresolved", Json::array()}, {"answer_nothing", Json::array()}, {"messages", Json::array()}}) {}

  void Logon(const std::string& profileName, const std::string& profilePassword, bool showDialog, bool newSession,
             std::int32_t parentWindow, bool noMail, const std::optional<std::string>& profileInfo) override {
    Record("Session.Logon", "Session.Logon(" + profileName + ", " + profilePassword + ", " + Flag(showDialog) + ", " +
                                Flag(newSession) + ", " + std::to_string(parentWindow) + ", " + Flag(noMail) +
                                (profileInfo ? ", " + *profileInfo : "") + ")");
  }
  Variant::Object GetDefaultFolder(std::int32_t folderType) override {
    Record("Session.GetDefaultFolder", "Session.GetDefaultFolder(" + std::to_string(folderType) + ")");
    return std::make_shared<Folder>(*this, Json::json_pointer("/messages"));
  }
  void Logoff() override { Method("Session.Logoff"); }
};

}  // namespace quorvel::testing
