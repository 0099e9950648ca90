// Any message through the facade's mailto: fallback: the lists are flattened and the URL composed
// without a crash, and the one URL handed over starts as a mailto: URL.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "facade/email_impl.h"
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

// The input's fields, split at NUL bytes; a field that starts with '|' is an array split at '|',
// with its lower bound taken from the field's second byte.
std::vector<std::string> Fields(std::string_view bytes) {
  std::vector<std::string> fields;
  for (std::size_t start = 0;; ) {
    const auto end = bytes.find('\0', start);
    fields.emplace_back(bytes.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  fields.resize(7);
  return fields;
}

Variant List(const std::string& field) {
  if (!field.starts_with('|') || field.size() < 2) return field;
  std::vector<std::string> items;
  for (std::size_t start = 2;;) {
    const auto end = field.find('|', start);
    items.push_back(field.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return StringArray(static_cast<signed char>(field[1]), std::move(items));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = Fields(std::string_view(reinterpret_cast<const char*>(data), size));
  auto shell = std::make_shared<Shell>();
  facade::EmailImpl email(Platform{.clock = std::make_shared<Clock>(), .shell = shell});
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
