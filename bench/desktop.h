// The benchmarks' private desktop: tests/sandbox/desktop.h's, with its runtime folder on a tmpfs where
// there is one, as a desktop session's /run/user/<uid> is: files made and removed there by the thousand
// cost what they cost a user, not what a disk's allocator makes of them.
//
// GIO reads the XDG folders once per process: the benchmark process enters its desktop before its
// first GIO call, and the programs it starts get the environment of any desktop it names.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/sandbox/desktop.h"

namespace quorvel::bench {

class Desktop : public testing::Desktop {
 public:
  explicit Desktop(const std::vector<Client>& clients);
  ~Desktop();

  // Sets its variables in this process.
  void Enter() const;
  // This process's environment with the desktop's variables in place, as NAME=value for a child.
  std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& extra = {}) const;
};

}  // namespace quorvel::bench
