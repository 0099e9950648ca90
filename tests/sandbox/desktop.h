// A private desktop under a fresh folder: its own home, XDG folders, runtime and temporary folders and
// hive files, the machine's own applications out of sight, and mailto: handlers whose programs record
// their arguments. The C++ tests and the benchmarks make theirs here; the shell tests make the same
// desktop with `desktop`, `client` and `desktop_with` in tests/cli_check.sh.
//
// GIO reads the XDG folders once per process: a process takes on the variables before its first GIO
// call, or hands them to the programs it starts.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace quorvel::testing {

class Desktop {
 public:
  struct Client {
    std::string id, name;
  };

  // Each client is applications/<id>.desktop for mailto: links, "Exec=<root>/bin/<id> %u", a program
  // that writes its arguments, each ended by a NUL, to records/<id>. It is one process, so the record is
  // whole once its file is closed; the shell tests' programs rename theirs into place, for tests that poll.
  // The first of the clients (one at least) is the default. The runtime folder is root()/runtime, or
  // `runtime`, a folder the caller made and removes. Throws when update-desktop-database fails.
  explicit Desktop(const std::vector<Client>& clients, const std::filesystem::path& runtime = {});

  // The XDG folders, HOME, TMPDIR and both hive files; the desktop session's variables, the session bus
  // and other mail handlers left out (nullopt).
  std::map<std::string, std::optional<std::string>> Variables() const;

  const std::filesystem::path& root() const { return folder_.path(); }
  const std::filesystem::path& runtime() const { return runtime_; }

 private:
  TempDir folder_;
  std::filesystem::path runtime_;
};

}  // namespace quorvel::testing
