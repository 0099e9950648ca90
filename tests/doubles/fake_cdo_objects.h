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

#include "platform/cdo_objects.h"
#include "tests/doubles/recorded_object.h"

namespace quorvel::testing {

class FakeCdoSession : public cdo::Session, public RecordedObject {
  using Json = nlohmann::ordered_json;
  static std::string Flag(bool value) { return value ? "True" : "False"; }
  // Each object other than the session writes into its own place in the state.
  struct Part {
    Part(FakeCdoSession& session, Json::json_pointer at) : session(session), at(std::move(at)) {}
    Json& Own() { return session.state[at]; }
    FakeCdoSession& session;
    const Json::json_pointer at;
  };
  struct Recipient : cdo::Recipient, Part {
    using Part::Part;
    void Resolve(bool showDialog) override {
      const std::string call = "Recipient.Resolve(" + Flag(showDialog) + ")";
      // The script's Resolve error is for the addresses it lists, and for them only.
      if (session.Listed("unresolved", Own()["name"]))
        session.Record("Recipient.Resolve", call);
      else
        session.calls.push_back(call);
    }
    void Delete() override {
      session.Method("Recipient.Delete");
      Own()["deleted"] = true;
    }
  };
  struct Attachment : cdo::Attachment, Part {
    using Part::Part;
    void Type(std::int32_t value) override { Own()["type"] = session.Set("Attachment.Type", value); }
    void Position(std::int32_t value) override { Own()["position"] = session.Set("Attachment.Position", value); }
    void Name(const std::string& value) override { Own()["name"] = session.Set("Attachment.Name", value); }
    void Source(const std::string& value) override { Own()["source"] = session.Set("Attachment.Source", value); }
    void ReadFromFile(const std::string& path) override {
      session.Record("Attachment.ReadFromFile", "Attachment.ReadFromFile(" + path + ")");
    }
  };
  struct Recipients : cdo::Recipients, Part {
    using Part::Part;
    Variant::Object Add(const std::string& name, std::int32_t type) override {
      session.Record("Recipients.Add", "Recipients.Add(" + name + ", " + std::to_string(type) + ")");
      return session.Added<Recipient>("Recipients", at, {{"name", name}, {"type", type}, {"deleted", false}});
    }
  };
  struct Attachments : cdo::Attachments, Part {
    using Part::Part;
    Variant::Object Add() override {
      session.Record("Attachments.Add", "Attachments.Add()");
      return session.Added<Attachment>("Attachments", at, Json::object());
    }
  };
  struct Message : cdo::Message, Part {
    using Part::Part;
    void Subject(const std::string& value) override { Own()["subject"] = session.Set("Message.Subject", value); }
    std::string Text() override { return session.Read("Message.Text", Own()["text"].get<std::string>()); }
    void Text(const std::string& value) override { Own()["text"] = session.Set("Message.Text", value); }
    void Importance(std::int32_t value) override { Own()["importance"] = session.Set("Message.Importance", value); }
    Variant::Object Recipients() override { return session.Read("Message.Recipients", recipients); }
    Variant::Object Attachments() override { return session.Read("Message.Attachments", attachments); }
    void Update() override {
      session.Method("Message.Update");
      Own()["updates"] = Own()["updates"].get<int>() + 1;
    }
    void Send(bool saveCopy, bool showDialog, std::int32_t parentWindow) override {
      Own()["send"] = {saveCopy, showDialog, parentWindow};
      session.Record("Message.Send", "Message.Send(" + Flag(saveCopy) + ", " + Flag(showDialog) + ", " +
                                         std::to_string(parentWindow) + ")");
    }
    Variant::Object recipients = std::make_shared<FakeCdoSession::Recipients>(session, at / "recipients");
    Variant::Object attachments = std::make_shared<FakeCdoSession::Attachments>(session, at / "attachments");
  };
  struct Messages : cdo::Messages, Part {
    using Part::Part;
    Variant::Object Add() override {
      session.Method("Messages.Add");
      return session.Added<Message>("Messages", at,
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
      return session.Read("Folder.Messages", std::make_shared<FakeCdoSession::Messages>(session, at));
    }
  };

  bool Listed(const char* key, const std::string& name) {
    return std::find(state[key].begin(), state[key].end(), name) != state[key].end();
  }
  // Adds the entry to the collection at `at` and answers its object, or none when the script says so.
  template <class Object>
  Variant::Object Added(const char* collection, const Json::json_pointer& at, Json entry) {
    if (Listed("answer_nothing", collection)) return nullptr;
    state[at].push_back(std::move(entry));
    return std::make_shared<Object>(*this, at / (state[at].size() - 1));
  }

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
