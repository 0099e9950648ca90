#include "tests/scenario/automation_doubles.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "tests/doubles/fake_mapi_controls.h"

namespace quorvel::scenario {

namespace {
// "fail": {"<member>": <error>}: the member raises the error every time it is used. Members are
// checked against the control's own, so a misspelt one is refused rather than never failing.
void ReadFailures(const Node& server, std::initializer_list<std::string_view> members,
                  testing::ControlRecorder& control) {
  const auto fail = server.Find("fail");
  if (!fail) return;
  for (const auto& [member, error] : fail->Members()) {
    if (std::find(members.begin(), members.end(), member) == members.end()) {
      error.Fail("the control has no member \"" + member + "\" (its members: " + Join(members) + ")");
    }
    control.failures.insert_or_assign(member, error.Error());
  }
}

class MapiSessionDouble : public AutomationDouble {
 public:
  explicit MapiSessionDouble(const Node& server) {
    server.AllowKeys({"double", "fail", "session_id"});
    ReadFailures(server,
                 {"DownLoadMail", "LogonUI", "NewSession", "SessionID", "Password", "UserName", "SignOn", "SignOff"},
                 *session_);
    if (const auto id = server.Find("session_id")) session_->session_id = id->Int32();
  }
  std::shared_ptr<AutomationObject> Object() override { return session_; }
  Json Dump() const override {
    return {{"calls", session_->calls}, {"session_id", session_->session_id}, {"signed_on", session_->signed_on}};
  }

 private:
  std::shared_ptr<testing::FakeMapiSession> session_ = std::make_shared<testing::FakeMapiSession>();
};

class MapiMessagesDouble : public AutomationDouble {
 public:
  explicit MapiMessagesDouble(const Node& server) {
    server.AllowKeys({"double", "fail", "user_cancels"});
    ReadFailures(server,
                 {"SessionID", "Compose", "MsgSubject", "MsgNoteText", "RecipCount", "RecipIndex", "RecipAddress",
                  "RecipType", "AttachmentCount", "AttachmentIndex", "AttachmentName", "AttachmentPathName",
                  "AttachmentPosition", "AttachmentType", "Send"},
                 *messages_);
    if (const auto cancels = server.Find("user_cancels")) messages_->user_cancels = cancels->Boolean();
  }
  std::shared_ptr<AutomationObject> Object() override { return messages_; }
  Json Dump() const override {
    const mapi::MessageSlots& message = messages_->message;
    Json recipients = Json::array();
    for (const auto& recipient : message.recipients()) {
      recipients.push_back({{"address", recipient.address}, {"type", recipient.type}});
    }
    Json attachments = Json::array();
    for (const auto& attachment : message.attachments()) {
      attachments.push_back({{"name", attachment.name},
                             {"path_name", attachment.path_name},
                             {"position", attachment.position},
                             {"type", attachment.type}});
    }
    // The double raises the cancel from Send itself, unless Send was scripted to fail first.
    const bool send_called = std::any_of(messages_->calls.begin(), messages_->calls.end(),
                                         [](const std::string& call) { return call.rfind("Send(", 0) == 0; });
    const bool cancelled = send_called && messages_->user_cancels && messages_->failures.count("Send") == 0;
    return {{"calls", messages_->calls},
            {"session_id", messages_->session_id},
            {"message",
             {{"subject", message.subject()},
              {"note_text", message.note_text()},
              {"recipients", std::move(recipients)},
              {"attachments", std::move(attachments)}}},
            {"sent", messages_->sent},
            {"cancelled", cancelled}};
  }

 private:
  std::shared_ptr<testing::FakeMapiMessages> messages_ = std::make_shared<testing::FakeMapiMessages>();
};

struct DoubleKind {
  std::string name;
  std::function<std::unique_ptr<AutomationDouble>(const Node& server)> build;
};

template <class Double>
DoubleKind Kind(std::string name) {
  return {std::move(name), [](const Node& server) { return std::make_unique<Double>(server); }};
}

const std::vector<DoubleKind>& DoubleKinds() {
  static const std::vector<DoubleKind> kinds = {
      Kind<MapiSessionDouble>("mapi-session"),
      Kind<MapiMessagesDouble>("mapi-messages"),
  };
  return kinds;
}
}  // namespace

std::unique_ptr<AutomationDouble> BuildDouble(const Node& server) {
  return FindNamed(DoubleKinds(), server.Get("double"), "double").build(server);
}

}  // namespace quorvel::scenario
