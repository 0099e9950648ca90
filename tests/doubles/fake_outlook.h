// A scriptable Outlook behind one application double. Every object of the model records into the
// application, as "Object.Member" ("MailItem.Subject=Hi", "Recipients.Add(ann)"), and each mail item
// made keeps what it holds in the application's `items`, so the dump shows the calls and the items.
//
// Scripted through the state: `item_class`, the class of what CreateItem answers; `add_fails_for`, the
// addresses whose Recipients.Add raises the error `fail` gives it; `answer_nothing`, the collections
// ("Recipients", "Attachments") whose Add answers no object.
#pragma once

#include <algorithm>
#include <memory>

#include "providers/outlook/outlook_objects.h"
#include "tests/doubles/recorded_object.h"

namespace quorvel::testing {

class FakeOutlookApplication : public outlook::Application, public RecordedObject {
  using Part = RecordedObject::Part<FakeOutlookApplication>;
  struct NameSpace : outlook::NameSpace, Part {
    using Part::Part;
    void Logon() override { model.Method("NameSpace.Logon"); }
  };
  struct OtherItem : AutomationObject {
    explicit OtherItem(std::string name) : name(std::move(name)) {}
    std::string ClassName() const override { return name; }
    const std::string name;
  };
  struct Recipient : outlook::Recipient, Part {
    using Part::Part;
    void Type(std::int32_t value) override { Own()["type"] = model.Set("Recipient.Type", value); }
  };
  struct Attachment : outlook::Attachment, Part {
    using Part::Part;
  };
  struct Recipients : outlook::Recipients, Part {
    using Part::Part;
    Variant::Object Add(const std::string& name) override {
      if (model.Listed("add_fails_for", name))
        model.Record("Recipients.Add", "Recipients.Add(" + name + ")");
      else
        model.calls.push_back("Recipients.Add(" + name + ")");
      return model.Added<Recipient>("Recipients", at, {{"address", name}, {"type", nullptr}});
    }
  };
  struct Attachments : outlook::Attachments, Part {
    using Part::Part;
    Variant::Object Add(const std::string& source, std::int32_t type, std::int32_t position,
                        const std::string& displayName) override {
      model.Record("Attachments.Add", "Attachments.Add(" + source + ", " + std::to_string(type) + ", " +
                                          std::to_string(position) + ", " + displayName + ")");
      const Json attachment = {
          {"source", source}, {"type", type}, {"position", position}, {"display_name", displayName}};
      return model.Added<Attachment>("Attachments", at, attachment);
    }
  };
  struct MailItem : outlook::MailItem, Part {
    using Part::Part;
    void Subject(const std::string& value) override { Own()["subject"] = model.Set("MailItem.Subject", value); }
    std::string Body() override { return model.Read("MailItem.Body", Own()["body"].get<std::string>()); }
    void Body(const std::string& value) override { Own()["body"] = model.Set("MailItem.Body", value); }
    std::string HTMLBody() override { return model.Read("MailItem.HTMLBody", Own()["html_body"].get<std::string>()); }
    void HTMLBody(const std::string& value) override { Own()["html_body"] = model.Set("MailItem.HTMLBody", value); }
    void Importance(std::int32_t value) override { Own()["importance"] = model.Set("MailItem.Importance", value); }
    Variant::Object Recipients() override { return model.Read("MailItem.Recipients", recipients); }
    Variant::Object Attachments() override { return model.Read("MailItem.Attachments", attachments); }
    void Display() override {
      model.Method("MailItem.Display");
      Own()["displayed"] = true;
    }
    Variant::Object recipients = std::make_shared<FakeOutlookApplication::Recipients>(model, at / "recipients");
    Variant::Object attachments = std::make_shared<FakeOutlookApplication::Attachments>(model, at / "attachments");
  };

 public:
  FakeOutlookApplication()
      : RecordedObject(
            {"Application.GetNamespace", "Application.CreateItem", "NameSpace.Logon", "MailItem.Subject",
             "MailItem.Body", "MailItem.HTMLBody", "MailItem.Importance", "MailItem.Recipients", "MailItem.Attachments",
             "MailItem.Display", "Recipients.Add", "Recipient.Type", "Attachments.Add"},
            {{"item_class", "MailItem"},
             {"add_fails_for", Json::array()},
             {"answer_nothing", Json::array()},
             {"items", Json::array()}}) {}

  Variant::Object GetNamespace(const std::string& type) override {
    Record("Application.GetNamespace", "Application.GetNamespace(" + type + ")");
    return std::make_shared<NameSpace>(*this, Json::json_pointer());
  }
  Variant::Object CreateItem(std::int32_t itemType) override {
    Record("Application.CreateItem", "Application.CreateItem(" + std::to_string(itemType) + ")");
    if (state["item_class"] != "MailItem") return std::make_shared<OtherItem>(state["item_class"].get<std::string>());
    state["items"].push_back({{"subject", ""},
                              {"body", ""},
                              {"html_body", ""},
                              {"importance", 1},
                              {"recipients", Json::array()},
                              {"attachments", Json::array()},
                              {"displayed", false}});
    return std::make_shared<MailItem>(*this, Json::json_pointer("/items") / (state["items"].size() - 1));
  }
};

}  // namespace quorvel::testing
