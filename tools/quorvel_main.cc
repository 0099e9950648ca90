// quorvel: the command-line host of the library.
//   quorvel clients [--json] [-v] [--log FILE]
// Exit status: 0 when the library answers true, 1 when it answers false, 2 for a usage error,
// 3 when an error reaches the host or the output or the log file cannot be written.
#include <CLI/CLI.hpp>
#include <iostream>
#include <nlohmann/json.hpp>

#include "quorvel/email.h"
#include "quorvel/error.h"
#include "tools/console_context.h"

namespace {

constexpr int kAnsweredTrue = 0;
constexpr int kAnsweredFalse = 1;
constexpr int kUsageError = 2;
constexpr int kErrorReachedHost = 3;

struct ClientsOptions {
  bool json = false;
  quorvel::cli::ConsoleSettings console;
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
  auto context = std::make_shared<quorvel::cli::ConsoleContext>(options.console, std::cerr);
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

void AddConsoleOptions(CLI::App& command, quorvel::cli::ConsoleSettings& console) {
  command.add_flag("-v,--verbose", console.verbose, "Also show every log line on standard error");
  command.add_option("--log", console.log_file, "Also append every log line to FILE")->option_text("FILE");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Hands an e-mail message to the user's own mail client, and lists the installed clients."};
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 when the library answers true, 1 when it answers false, 2 for a usage error, 3 when an error\n"
      "reaches the host or the output or the log file cannot be written.");

  ClientsOptions clients_options;
  auto* clients = app.add_subcommand("clients", "List the installed mail clients; the default is marked with '*'.");
  clients->add_flag("--json", clients_options.json, "Print {\"clients\": [...], \"default\": \"...\"} instead");
  AddConsoleOptions(*clients, clients_options.console);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : kUsageError;
  }

  try {
    if (*clients) return RunClients(clients_options);
  } catch (...) {
    const quorvel::AutomationError error = quorvel::CaughtAsAutomationError();
    std::cerr << "quorvel: error " << error.number() << " from " << error.source() << ": " << error.description()
              << '\n';
    return kErrorReachedHost;
  }
  return kUsageError;
}
