#include "tests/scenario/classes.h"

#include "facade/email_impl.h"
#include "quorvel/mail_eudora.h"
#include "quorvel/mail_mapi.h"
#include "quorvel/mail_ms_outlook.h"
#include "quorvel/mail_outlook_appl.h"
#include "quorvel/message.h"

namespace quorvel::scenario {

namespace {
Member Assign(Param param, std::function<void(Arguments&)> invoke) { return {true, {std::move(param)}, invoke}; }
Member Call(std::vector<Param> params, std::function<void(Arguments&)> invoke) { return {false, params, invoke}; }
Param Text(std::string name) { return {std::move(name), ParamType::kText}; }
Param Any(std::string name) { return {std::move(name), ParamType::kAnyValue}; }
Param Optional(std::string name, ParamType type, Variant when_left_out) {
  return {std::move(name), type, when_left_out};
}
const Param kContextParam = {"appContext", ParamType::kContext};

// Send's nine parameters, in their order; the last three may be left out.
const std::vector<Param> kMessageParams = {Text("From"),
                                           Any("addrTO"),
                                           Any("addrCC"),
                                           Any("addrBCC"),
                                           Text("Subject"),
                                           Text("Body"),
                                           Optional("ATTACHMENTS", ParamType::kAnyValue, Variant::Missing{}),
                                           Optional("Importance", ParamType::kLong, std::int32_t{1}),
                                           Optional("HTMLFormat", ParamType::kBoolean, Variant(false))};

// The arguments in Message's order.
Message ToMessage(Arguments& a) {
  return {a.Text(0),     a.values[1], a.values[2], a.values[3],
          a.Text(4),     a.Text(5),   a.values[6], a.Get<std::int32_t>(7),
          a.Get<bool>(8)};
}

// A provider's own members, and those every provider has: GetLog, Send, and its log in the transcript.
template <class Provider>
Instance WithLogAndSend(std::shared_ptr<Provider> o, std::map<std::string, Member> members) {
  members["GetLog"] = Call({}, [o](Arguments& a) { a.result = o->GetLog(); });
  members["Send"] = Call(kMessageParams, [o](Arguments& a) { a.result = Variant(o->Send(ToMessage(a))); });
  return {members, [o] { return o->GetLog(); }};
}

// The facade's implementation, so that a scenario can also call the mailto: fallback on its own.
Instance EmailClass(const Platform& platform) {
  auto o = std::make_shared<facade::EmailImpl>(platform);
  return {{{"SetApplicationContext", Assign(kContextParam, [o](Arguments& a) { o->SetApplicationContext(a.context); })},
           {"ClientToUse", Assign(Text("client"), [o](Arguments& a) { o->ClientToUse(a.Text(0)); })},
           {"AlternateAttachmentMessage",
            Assign(Text("message"), [o](Arguments& a) { o->AlternateAttachmentMessage(a.Text(0)); })},
           {"GetMailClients",
            Call({{"clientList", ParamType::kTextArray, std::nullopt, true},
                  {"defaultClient", ParamType::kText, std::nullopt, true}},
                 [o](Arguments& a) { a.result = Variant(o->GetMailClients(a.Get<StringArray>(0), a.Text(1))); })},
           {"Send", Call(kMessageParams,
                         [o](Arguments& a) {
                           a.result = Variant(o->Send(ToMessage(a)));
                           a.send_outcome = o->LastSendOutcome();
                         })},
           {"MailTo", Call(kMessageParams, [o](Arguments& a) { a.result = Variant(o->MailTo(ToMessage(a))); })}},
          nullptr};
}

Instance MailMapiClass(const Platform& platform) {
  auto o = std::make_shared<MailMAPI>(platform);
  return WithLogAndSend(
      o, {{"DefaultMailClient", Assign(Text("client"), [o](Arguments& a) { o->DefaultMailClient(a.Text(0)); })},
          {"OpenSession", Call({Text("Username"), Text("Password")},
                               [o](Arguments& a) { a.result = Variant(o->OpenSession(a.Text(0), a.Text(1))); })},
          {"CloseSession", Call({}, [o](Arguments& a) { a.result = Variant(o->CloseSession()); })}});
}

Instance MailMsOutlookClass(const Platform& platform) {
  auto o = std::make_shared<MailMSOutlook>(platform);
  return WithLogAndSend(
      o, {{"OpenSession",
           Call({Text("Server"), Text("Mailbox"), Text("profile"), Text("Password")},
                [o](Arguments& a) { a.result = Variant(o->OpenSession(a.Text(0), a.Text(1), a.Text(2), a.Text(3))); })},
          {"CloseSession", Call({}, [o](Arguments& a) { a.result = Variant(o->CloseSession()); })}});
}

Instance MailOutlookApplClass(const Platform& platform) {
  auto o = std::make_shared<MailOutlookAppl>(platform);
  return WithLogAndSend(o, {{"Context", Assign(kContextParam, [o](Arguments& a) { o->Context(a.context); })},
                            {"OpenSession", Call({}, [o](Arguments& a) { a.result = Variant(o->OpenSession()); })},
                            {"CloseSession", Call({}, [o](Arguments& a) { a.result = Variant(o->CloseSession()); })}});
}

Instance MailEudoraClass(const Platform& platform) {
  auto o = std::make_shared<MailEudora>(platform);
  return WithLogAndSend(o, {{"SetApplicationContext",
                             Assign(kContextParam, [o](Arguments& a) { o->SetApplicationContext(a.context); })}});
}
}  // namespace

const std::map<std::string, std::function<Instance(const Platform&)>>& Classes() {
  static const std::map<std::string, std::function<Instance(const Platform&)>> classes = {
      {"Email", EmailClass},
      {"MailMAPI", MailMapiClass},
      {"MailMSOutlook", MailMsOutlookClass},
      {"MailOutlookAppl", MailOutlookApplClass},
      {"MailEudora", MailEudoraClass}};
  return classes;
}

}  // namespace quorvel::scenario
