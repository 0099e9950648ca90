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
  explicit ClassBuilder(std::string name) {
    entry_.name = std::move(name);
    entry_.create = [](const Platform& platform) { return std::make_shared<T>(platform); };
  }

  ClassBuilder& Assign(const std::string& name, Param param, std::function<void(T&, Arguments&)> body) {
    entry_.members[name] = {Member::Kind::kAssign,
                            {std::move(param)},
                            [body = std::move(body)](void* object, Arguments& args) -> std::optional<Variant> {
                              body(*static_cast<T*>(object), args);
                              return std::nullopt;
                            }};
    return *this;
  }

  ClassBuilder& Call(const std::string& name, std::vector<Param> params,
                     std::function<std::optional<Variant>(T&, Arguments&)> body) {
    entry_.members[name] = {
        Member::Kind::kCall, std::move(params),
        [body = std::move(body)](void* object, Arguments& args) { return body(*static_cast<T*>(object), args); }};
    return *this;
  }

  ClassBuilder& Log(std::function<std::string(const T&)> log) {
    entry_.log = [log = std::move(log)](const void* object) { return log(*static_cast<const T*>(object)); };
    return *this;
  }

  ClassEntry Build() { return std::move(entry_); }

 private:
  ClassEntry entry_;
};

Param Text(std::string name) { return {std::move(name), ParamType::kText}; }
Param Any(std::string name) { return {std::move(name), ParamType::kVariant}; }

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

Message ToMessage(Arguments& args) {
  return Message{.From = args.Text(0),
                 .addrTO = args.Value(1),
                 .addrCC = args.Value(2),
                 .addrBCC = args.Value(3),
                 .Subject = args.Text(4),
                 .Body = args.Text(5),
                 .ATTACHMENTS = args.Value(6),
                 .Importance = args.Long(7),
                 .HTMLFormat = args.Boolean(8)};
}

ClassEntry EmailClass() {
  return ClassBuilder<Email>("Email")
      .Assign("SetApplicationContext", {"appContext", ParamType::kContext},
              [](Email& email, Arguments& args) { email.SetApplicationContext(args.context); })
      .Assign("ClientToUse", Text("client"), [](Email& email, Arguments& args) { email.ClientToUse(args.Text(0)); })
      .Assign("AlternateAttachmentMessage", Text("message"),
              [](Email& email, Arguments& args) { email.AlternateAttachmentMessage(args.Text(0)); })
      .Call(
          "GetMailClients",
          {{"clientList", ParamType::kTextArray, std::nullopt, true},
           {"defaultClient", ParamType::kText, std::nullopt, true}},
          [](Email& email, Arguments& args) { return Variant(email.GetMailClients(args.TextArray(0), args.Text(1))); })
      .Build();
}

ClassEntry MailMapiClass() {
  return ClassBuilder<MailMAPI>("MailMAPI")
      .Assign("DefaultMailClient", Text("client"),
              [](MailMAPI& mapi, Arguments& args) { mapi.DefaultMailClient(args.Text(0)); })
      .Call("GetLog", {}, [](MailMAPI& mapi, Arguments&) { return Variant(mapi.GetLog()); })
      .Call("OpenSession", {Text("Username"), Text("Password")},
            [](MailMAPI& mapi, Arguments& args) { return Variant(mapi.OpenSession(args.Text(0), args.Text(1))); })
      .Call("CloseSession", {}, [](MailMAPI& mapi, Arguments&) { return Variant(mapi.CloseSession()); })
      .Call("Send", MessageParams(),
            [](MailMAPI& mapi, Arguments& args) { return Variant(mapi.Send(ToMessage(args))); })
      .Log([](const MailMAPI& mapi) { return mapi.GetLog(); })
      .Build();
}
ClassEntry MailEudoraClass() {
  return ClassBuilder<MailEudora>("MailEudora")
      .Assign("SetApplicationContext", {"appContext", ParamType::kContext},
              [](MailEudora& eudora, Arguments& args) { eudora.SetApplicationContext(args.context); })
      .Call("GetLog", {}, [](MailEudora& eudora, Arguments&) { return Variant(eudora.GetLog()); })
      .Call("Send", MessageParams(),
            [](MailEudora& eudora, Arguments& args) { return Variant(eudora.Send(ToMessage(args))); })
      .Log([](const MailEudora& eudora) { return eudora.GetLog(); })
      .Build();
}
}  // namespace

const std::vector<ClassEntry>& Classes() {
  static const std::vector<ClassEntry> classes = {
      EmailClass(),
      MailMapiClass(),
      MailEudoraClass(),
  };
  return classes;
}

const ClassEntry* FindClass(const std::string& name) {
  for (const auto& entry : Classes()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

}  // namespace quorvel::scenario
