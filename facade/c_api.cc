// The C functions of quorvel/quorvel.h over Email: the context's callbacks become an
// ApplicationContext, each call's exception a status and a message.
#include "quorvel/quorvel.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "quorvel/clock.h"
#include "quorvel/email.h"
#include "quorvel/error.h"
#include "quorvel/message_box.h"

struct quorvel_string {
  std::string value;
};

struct quorvel_email {
  explicit quorvel_email(quorvel::Platform platform) : email(std::move(platform)) {}
  quorvel::Email email;
  // What the last listing and the last outcome handed out, kept until the next call.
  std::vector<std::string> clients;
  std::vector<const char*> client_texts;
  std::string default_client;
  std::vector<const char*> not_handed_over;
};

namespace {
using quorvel::AutomationError;
using quorvel::Variant;

thread_local std::string failure;

// Runs the call; an exception becomes its error number and this thread's failure message.
template <class Call>
int32_t Guarded(Call call) noexcept {
  try {
    call();
    return 0;
  } catch (...) {
    try {
      const AutomationError error = quorvel::CaughtAsAutomationError();
      failure = error.what();
      return error.number();
    } catch (...) {
      return quorvel::error_number::kOutOfMemory;  // not even the message could be kept
    }
  }
}

void Require(bool argumentIsUsable) {
  if (!argumentIsUsable) throw quorvel::RuntimeError(quorvel::error_number::kInvalidProcedureCall);
}

std::string Text(const char* text) { return text ? text : ""; }
int32_t Boolean(bool value) { return value ? -1 : 0; }

// A member's nonzero answer is the error it raises.
void Raise(int32_t number) {
  if (number != 0) throw quorvel::RuntimeError(number);
}

class CallbackContext : public quorvel::ApplicationContext {
 public:
  explicit CallbackContext(const quorvel_context& callbacks) : c_(callbacks) {}

  void SessionLogAdd(const std::string& line) override {
    if (!c_.session_log_add) return ApplicationContext::SessionLogAdd(line);
    Raise(c_.session_log_add(c_.user, line.c_str()));
  }
  void SessionLogAddVerbose(const std::string& line) override {
    if (!c_.session_log_add_verbose) return ApplicationContext::SessionLogAddVerbose(line);
    Raise(c_.session_log_add_verbose(c_.user, line.c_str()));
  }
  void AppErrorPreserve(const std::string& procedure, std::string& step) override {
    if (!c_.app_error_preserve) return ApplicationContext::AppErrorPreserve(procedure, step);
    quorvel_string byReference{step};
    Raise(c_.app_error_preserve(c_.user, procedure.c_str(), &byReference));
    step = std::move(byReference.value);
  }
  void AppErrorLog(bool first, bool second) override {
    if (!c_.app_error_log) return ApplicationContext::AppErrorLog(first, second);
    Raise(c_.app_error_log(c_.user, Boolean(first), Boolean(second)));
  }
  std::string ApplicationName() override {
    if (!c_.application_name) return ApplicationContext::ApplicationName();
    quorvel_string name;
    Raise(c_.application_name(c_.user, &name));
    return name.value;
  }
  std::int32_t MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) override {
    if (!c_.msg_box) return ApplicationContext::MsgBox(prompt, buttons, title);
    std::int32_t answer = 0;
    Raise(c_.msg_box(c_.user, prompt.c_str(), buttons, title.c_str(), &answer));
    return answer;
  }

 private:
  const quorvel_context c_;
};

class CallbackClock : public quorvel::platform::Clock {
 public:
  explicit CallbackClock(const quorvel_seams& seams) : seams_(seams) {}
  quorvel::platform::LocalTime Now() override {
    quorvel_local_time time{2000, 1, 1, 0, 0, 0};
    seams_.now(seams_.user, &time);
    return {time.year, time.month, time.day, time.hour, time.minute, time.second};
  }

 private:
  const quorvel_seams seams_;
};

class CallbackMessageBox : public quorvel::platform::MessageBox {
 public:
  explicit CallbackMessageBox(const quorvel_seams& seams) : seams_(seams) {}
  // A host's box that could not be shown must not fail the operation that asked for it.
  void Show(const std::string& prompt, const std::string& title) override {
    seams_.show_message(seams_.user, prompt.c_str(), title.c_str());
  }

 private:
  const quorvel_seams seams_;
};

quorvel::Platform PlatformWith(const quorvel_seams* seams) {
  if (!seams) return quorvel::SystemPlatform();
  quorvel::Platform platform = quorvel::SystemPlatform(Text(seams->mail_system_client));
  if (seams->now) platform.clock = std::make_shared<CallbackClock>(*seams);
  if (seams->show_message) platform.message_box = std::make_shared<CallbackMessageBox>(*seams);
  return platform;
}

Variant ListValue(const quorvel_list& list, Variant omitted) {
  switch (list.shape) {
    case QUORVEL_LIST_OMITTED: return omitted;
    case QUORVEL_LIST_TEXT: return Text(list.text);
    case QUORVEL_LIST_TEXTS: {
      Require(list.texts || list.count == 0);
      std::vector<std::string> texts;
      texts.reserve(list.count);
      for (size_t i = 0; i < list.count; ++i) texts.push_back(Text(list.texts[i]));
      return quorvel::StringArray(0, std::move(texts));
    }
    default: throw quorvel::RuntimeError(quorvel::error_number::kInvalidProcedureCall, "unknown list shape");
  }
}

// A list left out is what Message holds when a host does not set it.
quorvel::Message MessageFrom(const quorvel_message& m) {
  const quorvel::Message defaults;
  return quorvel::Message{
      .From = Text(m.from),
      .addrTO = ListValue(m.to, defaults.addrTO),
      .addrCC = ListValue(m.cc, defaults.addrCC),
      .addrBCC = ListValue(m.bcc, defaults.addrBCC),
      .Subject = Text(m.subject),
      .Body = Text(m.body),
      .ATTACHMENTS = ListValue(m.attachments, defaults.ATTACHMENTS),
      .Importance = m.importance ? *m.importance : defaults.Importance,
      .HTMLFormat = m.html_format ? *m.html_format != 0 : defaults.HTMLFormat,
  };
}
}  // namespace

extern "C" {

const char* quorvel_string_get(const quorvel_string* text) { return text ? text->value.c_str() : ""; }

int32_t quorvel_string_set(quorvel_string* text, const char* value) {
  return Guarded([&] {
    Require(text != nullptr);
    text->value = Text(value);
  });
}

void quorvel_current_error(quorvel_error* error) {
  if (!error) return;
  const quorvel::ErrorInfo& current = quorvel::CurrentError();
  *error = {current.number, current.description.c_str(), current.source.c_str()};
}

const char* quorvel_failure(void) { return failure.c_str(); }

quorvel_email* quorvel_email_new(const quorvel_seams* seams) {
  quorvel_email* made = nullptr;
  Guarded([&] { made = new quorvel_email(PlatformWith(seams)); });
  return made;
}

void quorvel_email_free(quorvel_email* email) { delete email; }

int32_t quorvel_email_set_context(quorvel_email* email, const quorvel_context* context) {
  return Guarded([&] {
    Require(email && context);
    email->email.SetApplicationContext(std::make_shared<CallbackContext>(*context));
  });
}

int32_t quorvel_email_set_client_to_use(quorvel_email* email, const char* client) {
  return Guarded([&] {
    Require(email != nullptr);
    email->email.ClientToUse(Text(client));
  });
}

int32_t quorvel_email_set_alternate_attachment_message(quorvel_email* email, const char* message) {
  return Guarded([&] {
    Require(email != nullptr);
    email->email.AlternateAttachmentMessage(Text(message));
  });
}

int32_t quorvel_email_get_mail_clients(quorvel_email* email, int32_t* answered, size_t* count,
                                       const char* const** clients, const char** default_client) {
  return Guarded([&] {
    Require(email && answered && count && clients && default_client);
    quorvel::StringArray listed;
    std::string default_name;
    const bool found = email->email.GetMailClients(listed, default_name);
    email->clients = found ? listed.items() : std::vector<std::string>{};
    email->default_client = found ? std::move(default_name) : std::string();
    email->client_texts.clear();
    for (const auto& name : email->clients) email->client_texts.push_back(name.c_str());
    *answered = Boolean(found);
    *count = email->client_texts.size();
    *clients = email->client_texts.data();
    *default_client = email->default_client.c_str();
  });
}

int32_t quorvel_email_send(quorvel_email* email, const quorvel_message* message, int32_t* sent) {
  return Guarded([&] {
    Require(email && message && sent);
    *sent = Boolean(email->email.Send(MessageFrom(*message)));
  });
}

int32_t quorvel_email_last_outcome(quorvel_email* email, quorvel_outcome* outcome) {
  return Guarded([&] {
    Require(email && outcome);
    const quorvel::SendOutcome& last = email->email.LastSendOutcome();
    email->not_handed_over.clear();
    for (const auto& part : last.not_handed_over) email->not_handed_over.push_back(part.c_str());
    *outcome = quorvel_outcome{
        .route = static_cast<int32_t>(last.route),
        .route_name = quorvel::RouteName(last.route),
        .client = last.client.c_str(),
        .fell_back = Boolean(last.fell_back),
        .opened = Boolean(last.opened),
        .not_opened_because = last.not_opened_because.c_str(),
        .has_exit_status = Boolean(last.exit_status.has_value()),
        .exit_status = last.exit_status.value_or(0),
        .not_handed_over_count = email->not_handed_over.size(),
        .not_handed_over = email->not_handed_over.data(),
    };
  });
}

}  // extern "C"
