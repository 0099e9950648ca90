#include "tests/scenario/classes.h"

#include <utility>

#include "quorvel/email.h"
#include "quorvel/mail_eudora.h"
#include "quorvel/mail_mapi.h"
#include "quorvel/message.h"

namespace quorvel::scenario {

namespace {
// Builds one class's entry with members that take the object as its own type.
template <class T>
class ClassBuilder {
 public:
  ClassBuilder() {
    entry_.create = [](const Platform& platform) { return std::make_shared<T>(platform); };
  }

  ClassBuilder& Assign(const std::string& name, Param param, std::function<void(T&, Arguments&)> body) {
    entry_.members[name] = {true, {std::move(param)}, [body](void* object, Arguments& args) -> std::optional<Variant> {
                              body(*static_cast<T*>(object), args);
                              return std::nullopt;
                            }};
    return *this;
  }

  ClassBuilder& Call(const std::string& name, std::vector<Param> params,
                     std::function<std::optional<Variant>(T&, Arguments&)> body) {
    entry_.members[name] = {false, std::move(params),
                            [body](void* object, Arguments& args) { return body(*static_cast<T*>(object), args); }};
    return *this;
  }

  ClassBuilder& Log() {
    entry_.log = [](const void* object) { return static_cast<const T*>(object)->GetLog(); };
    return *this;
  }

  ClassEntry Build() { return std::move(entry_); }

 private:
  ClassEntry entry_;
};

Param Text(std::string name) { return {std::move(name), ParamType::kText}; }
Param Any(std::string name) { return {std::move(name), ParamType::kVariant}; }
const Param kContextParam = {"appContext", ParamType::kContext};

// Send's nine parameters, in their order; the last three may be left out.
std::vector<Param> MessageParams() {
  return {Text("From"),
          Any("addrTO"),
          Any("addrCC"),
          Any("addrBCC"),
          Text("Subject"),
          Text("Body"),
          {"ATTACHMENTS", ParamType::kVariant, Variant::Missing{}},
          {"Importance", ParamType::kLong, std::int32_t{1}},
          {"HTMLFormat", ParamType::kBoolean, false}};
}

Message ToMessage(Arguments& a) {
  return Message{.From = a.Text(0),
                 .addrTO = a.values[1],
                 .addrCC = a.values[2],
                 .addrBCC = a.values[3],
                 .Subject = a.Text(4),
                 .Body = a.Text(5),
                 .ATTACHMENTS = a.values[6],
                 .Importance = a.Get<std::int32_t>(7),
                 .HTMLFormat = a.Get<bool>(8)};
}

ClassEntry EmailClass() {
  return ClassBuilder<Email>()
      .Assign("SetApplicationContext", kContextParam,
              [](Email& o, Arguments& a) { o.SetApplicationContext(a.context); })
      .Assign("ClientToUse", Text("client"), [](Email& o, Arguments& a) { o.ClientToUse(a.Text(0)); })
      .Assign("AlternateAttachmentMessage", Text("message"),
              [](Email& o, Arguments& a) { o.AlternateAttachmentMessage(a.Text(0)); })
      .Call("GetMailClients",
            {{"clientList", ParamType::kTextArray, std::nullopt, true},
             {"defaultClient", ParamType::kText, std::nullopt, true}},
            [](Email& o, Arguments& a) { return Variant(o.GetMailClients(a.Get<StringArray>(0), a.Text(1))); })
      .Build();
}

ClassEntry MailMapiClass() {
  return ClassBuilder<MailMAPI>()
      .Assign("DefaultMailClient", Text("client"), [](MailMAPI& o, Arguments& a) { o.DefaultMailClient(a.Text(0)); })
      .Call("GetLog", {}, [](MailMAPI& o, Arguments&) { return Variant(o.GetLog()); })
      .Call("OpenSession", {Text("Username"), Text("Password")},
            [](MailMAPI& o, Arguments& a) { return Variant(o.OpenSession(a.Text(0), a.Text(1))); })
      .Call("CloseSession", {}, [](MailMAPI& o, Arguments&) { return Variant(o.CloseSession()); })
      .Call("Send", MessageParams(), [](MailMAPI& o, Arguments& a) { return Variant(o.Send(ToMessage(a))); })
      .Log()
      .Build();
}

ClassEntry MailEudoraClass() {
  return ClassBuilder<MailEudora>()
      .Assign("SetApplicationContext", kContextParam,
              [](MailEudora& o, Arguments& a) { o.SetApplicationContext(a.context); })
      .Call("GetLog", {}, [](MailEudora& o, Arguments&) { return Variant(o.GetLog()); })
      .Call("Send", MessageParams(), [](MailEudora& o, Arguments& a) { return Variant(o.Send(ToMessage(a))); })
      .Log()
      .Build();
}
}  // namespace

const std::map<std::string, ClassEntry>& Classes() {
  static const std::map<std::string, ClassEntry> classes = {
      {"Email", EmailClass()}, {"MailMAPI", MailMapiClass()}, {"MailEudora", MailEudoraClass()}};
  return classes;
}

}  // namespace quorvel::scenario
