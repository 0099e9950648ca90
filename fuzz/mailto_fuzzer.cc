// Any message through the facade's mailto: fallback: the lists are flattened and the URL composed
// without a crash, and the one URL handed over starts as a mailto: URL.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "facade/email_impl.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "quorvel/clock.h"

namespace {

using namespace quorvel;

class Shell : public platform::Shell {
 public:
  std::intptr_t ShellExecuteA(const std::string&, const std::string& file) override {
    opened.push_back(file);
    return platform::shell_answer::kStarted;
  }
  std::vector<std::string> opened;
};

class Clock : public platform::Clock {
 public:
  platform::LocalTime Now() override { return {}; }
};

class Context : public ApplicationContext {
 public:
  void SessionLogAdd(const std::string&) override {}
  void AppErrorPreserve(const std::string&, std::string&) override { std::abort(); }
  void AppErrorLog(bool, bool) override {}
  std::string ApplicationName() override { return "Fuzz"; }
};

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const auto end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// A field that starts with '|' is an array of the texts between later '|'s, its lower bound the
// field's second byte; any other field is one text.
Variant List(const std::string& field) {
  if (!field.starts_with('|') || field.size() < 2) return field;
  return StringArray(static_cast<signed char>(field[1]), Split(std::string_view(field).substr(2), '|'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The message's fields are the input's parts between NUL bytes.
  auto fields = Split(std::string_view(reinterpret_cast<const char*>(data), size), '\0');
  fields.resize(7);
  auto shell = std::make_shared<Shell>();
  facade::EmailImpl email(
      Platform{.clock = std::make_shared<Clock>(),
               .services = std::make_shared<platform::Services>(platform::Services{.shell = shell})});
  email.SetApplicationContext(std::make_shared<Context>());
  email.AlternateAttachmentMessage(fields[6]);
  const Message message{.addrTO = List(fields[0]),
                        .addrCC = List(fields[1]),
                        .addrBCC = List(fields[2]),
                        .Subject = fields[3],
                        .Body = fields[4],
                        .ATTACHMENTS = List(fields[5])};
  if (!email.MailTo(message) || shell->opened.size() != 1 || !shell->opened[0].starts_with("mailto:")) std::abort();
  return 0;
}
