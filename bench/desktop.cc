#include "bench/desktop.h"

#include <stdlib.h>

#include <stdexcept>

extern char** environ;

namespace quorvel::bench {

namespace fs = std::filesystem;

namespace {
fs::path RuntimeFolder() {
  std::error_code no_tmpfs;
  if (!fs::is_directory("/dev/shm", no_tmpfs)) return {};
  std::string pattern = "/dev/shm/quorvel-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder in /dev/shm");
  return pattern;
}
}  // namespace

Desktop::Desktop(const std::vector<Client>& clients) : testing::Desktop(clients, RuntimeFolder()) {}

Desktop::~Desktop() {
  std::error_code ignored;
  fs::remove_all(runtime(), ignored);
}

void Desktop::Enter() const {
  for (const auto& [name, value] : Variables()) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
}

std::vector<std::string> Desktop::ChildEnvironment(const std::map<std::string, std::string>& extra) const {
  auto variables = Variables();
  for (const auto& [name, value] : extra) variables[name] = value;
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    if (!variables.contains(text.substr(0, text.find('=')))) environment.push_back(text);
  }
  for (const auto& [name, value] : variables) {
    if (value) environment.push_back(name + "=" + *value);
  }
  return environment;
}

}  // namespace quorvel::bench
