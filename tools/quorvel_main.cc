// quorvel: the command-line host of the library.
//   quorvel clients [--json] [-v] [--log FILE]
//   quorvel send [OPTIONS] [ADDRESS... | MAILTO-URI]
// Exit status of clients: 0 when the library answers true, 1 when it answers false, 2 for a usage
// error, 3 when an error reaches the host or the output or the log file cannot be written; send's
// own table is in send_command.h.
#include <CLI/CLI.hpp>
#include <iostream>
#include <nlohmann/json.hpp>

#include "quorvel/email.h"
#include "quorvel/error.h"
#include "platform/console.h"
#include "tools/console_context.h"
#include "tools/send_command.h"

namespace {

constexpr int kAnsweredTrue = 0;
constexpr int kAnsweredFalse = 1;
constexpr int kUsageError = 2;
constexpr int kErrorReachedHost = 3;

struct ClientsOptions {
  bool json = false;
  quorvel::tools::ConsoleSettings console;
};

void PrintClients(const quorvel::StringArray& clients, const std::string& default_client, bool answered, bool json) {
  std::vector<std::string> names;
  if (answered) names = clients.items();
  if (json) {
    std::cout << nlohmann::json{{"clients", names}, {"default", answered ? default_client : ""}}.dump(2) << '\n';
    return;
  }
  bool default_listed = false;
  for (const auto& name : names) {
    const bool is_default = name == default_client;
    default_listed = default_listed || is_default;
    std::cout << (is_default ? "* " : "  ") << name << '\n';
  }
  if (answered && !default_listed && !default_client.empty()) {
    std::cout << "default: " << default_client << " (not among the installed clients)\n";
  }
}

int RunClients(const ClientsOptions& options) {
  auto context = std::make_shared<quorvel::tools::ConsoleContext>(options.console, std::cerr);
  quorvel::Email email;
  email.SetApplicationContext(context);
  quorvel::StringArray clients;
  std::string default_client;
  const bool answered = email.GetMailClients(clients, default_client);
  PrintClients(clients, default_client, answered, options.json);
  context->CheckLogWritten();
  if (!(std::cout << std::flush)) {
    throw quorvel::RuntimeError(quorvel::error_number::kPathFileAccessError, "cannot write the standard output");
  }
  return answered ? kAnsweredTrue : kAnsweredFalse;
}

void AddConsoleOptions(CLI::App& command, quorvel::tools::ConsoleSettings& console) {
  command.add_flag("-v,--verbose", console.verbose, "Also show every log line on standard error");
  command.add_option("--log", console.log_file, "Also append every log line to FILE")->option_text("FILE");
}

// A repeatable option that takes one value each time, so that positional arguments stay apart.
void AddRepeatable(CLI::App& command, const std::string& name, std::vector<std::string>& values,
                   const std::string& description) {
  command.add_option(name, values, description)->allow_extra_args(false);
}

void AddSendOptions(CLI::App& send, quorvel::tools::SendOptions& options) {
  send.add_option("--from", options.from, "The sender's address");
  AddRepeatable(send, "--to", options.to, "A recipient (repeatable)");
  AddRepeatable(send, "--cc", options.cc, "A copy recipient (repeatable)");
  AddRepeatable(send, "--bcc", options.bcc, "A blind copy recipient (repeatable)");
  AddRepeatable(send, "--attach", options.attachments, "A file to attach (repeatable)");
  send.add_option("--subject", options.subject, "The subject");
  send.add_option("--body", options.body, "The body text");
  send.add_option("--body-file", options.body_file, "Read the body from FILE, '-' for standard input")
      ->option_text("FILE");
  send.add_option("--importance", options.importance,
                  "Outlook's importance: 1 normal (the default), 2 high; 3 is passed on as given, any other value "
                  "(0, low, too) becomes 1. Other routes ignore it")
      ->option_text("N");
  send.add_flag("--html", options.html, "The body is HTML");
  send.add_flag("--json", options.json,
                "Print what became of the message as JSON: sent, route, client, opened, fell_back, "
                "not_opened_because, exit_status, not_handed_over");
  send.add_flag("--utf8")->description(
      "Ignored, since text is always UTF-8: scripts written for xdg-email run unchanged");
  send.add_option("--client", options.client, "The mail client to use instead of the default, by its listed name");
  send.add_option("--attachment-note", options.attachment_note,
                  "The body's lead-in in place of the attachment list when a mailto: link is sent");
  send.add_option("--app-name", options.console.application_name,
                  "The application name in messages and settings (default Quorvel)");
  send.add_option("--answer")
      ->description("Answer every Yes/No question; without it a terminal is asked, anything else answers no")
      ->check(CLI::IsMember({"yes", "no"}))
      ->each([&options](const std::string& answer) { options.console.answer = answer == "yes"; })
      ->option_text("yes|no");
  AddConsoleOptions(send, options.console);
  send.add_option("recipients", options.addresses_or_uri, "Recipient addresses, or one mailto: URI (RFC 6068)")
      ->option_text("ADDRESS... | MAILTO-URI");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = quorvel::platform::PrepareConsole(argc, argv);
  std::vector<const char*> utf8_argv;
  for (const std::string& argument : arguments) utf8_argv.push_back(argument.c_str());
  CLI::App app{"Hands an e-mail message to the user's own mail client, and lists the installed clients."};
  app.require_subcommand(1);
  app.set_version_flag("-V,--version", "quorvel " QUORVEL_VERSION, "Print the version and exit");
  app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
    return "quorvel: " + CLI::FailureMessage::simple(failed, error);
  });
  app.footer(
      "Exit status of clients: 0 when clients are listed, 1 when none is, 2 for a usage error, 3 when an error\n"
      "reaches the command or its output or log file cannot be written. 'quorvel send --help' gives send's.");

  ClientsOptions clients_options;
  auto* clients = app.add_subcommand("clients", "List the installed mail clients; the default is marked with '*'.");
  clients->add_flag("--json", clients_options.json, "Print {\"clients\": [...], \"default\": \"...\"} instead");
  AddConsoleOptions(*clients, clients_options.console);

  quorvel::tools::SendOptions send_options;
  auto* send = app.add_subcommand("send", "Hand one message to the user's mail client.");
  send->footer(
      "The message goes to the default mail client (or the one --client names) through that client's own route:\n"
      "a compose window with the attachments for Thunderbird and the like, a message file for Eudora, automation\n"
      "for Outlook. When that route cannot open or send, a mailto: link goes to the desktop instead, which names\n"
      "the attachments in the body (or says --attachment-note) rather than carrying them. What did not reach the\n"
      "client, or that nothing was opened, is said on standard error.\n"
      "\n"
      "Exit status:\n"
      "  0  a mail client or the desktop's mailto: handler was opened\n"
      "  1  nothing was opened, for a reason the log trail gives (-v)\n"
      "  2  a usage error, a missing attachment included; nothing was handed over\n"
      "  3  an error reached the command, or its output or log file could not be written\n"
      "  4  nothing was opened: no mailto: handler, every route refused, or the client failed at once\n"
      "  5  an attachment the user cannot read; nothing was handed over");
  AddSendOptions(*send, send_options);

  try {
    app.parse(static_cast<int>(utf8_argv.size()), utf8_argv.data());
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : kUsageError;
  }

  try {
    if (*clients) return RunClients(clients_options);
    if (*send) return quorvel::tools::RunSend(send_options);
  } catch (const quorvel::tools::UsageError& error) {
    std::cerr << "quorvel: " << error.what() << '\n';
    return kUsageError;
  } catch (const quorvel::tools::UnreadableAttachment& error) {
    std::cerr << "quorvel: " << error.what() << '\n';
    return quorvel::tools::send_status::kUnreadableAttachment;
  } catch (...) {
    const quorvel::AutomationError error = quorvel::CaughtAsAutomationError();
    std::cerr << "quorvel: error " << error.number() << " from " << error.source() << ": " << error.description()
              << '\n';
    return kErrorReachedHost;
  }
  return kUsageError;
}
