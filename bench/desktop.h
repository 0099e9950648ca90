// A private desktop for the benchmarks: its own home, XDG folders, runtime and temporary folders and
// hive files under a fresh folder, with mailto: handlers whose program writes the arguments it was
// started with to records/<id>, so a run reads when a hand-off has reached the client.
//
// GIO reads the XDG folders once per process: the benchmark process enters its desktop before its
// first GIO call, and the programs it starts get the environment of any desktop it names.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quorvel::bench {

class Desktop {
 public:
  Desktop();
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // applications/<id>.desktop, handling x-scheme-handler/mailto, its program a recording one:
  // "Exec=<program> %u".
  void AddClient(const std::string& id, const std::string& name);
  // The handler mimeapps.list names for mailto: links.
  void SetDefault(const std::string& id);
  // update-desktop-database, without whose cache GIO finds no handler by type; throws when it fails.
  void Refresh() const;

  // This desktop's variables: the XDG folders, HOME, TMPDIR, both hive files; the desktop session's
  // variables and the session bus are left out (empty value).
  std::map<std::string, std::string> Variables() const;
  // Sets them in this process.
  void Enter() const;
  // This process's environment with the desktop's variables in place, as NAME=value for a child.
  std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& extra = {}) const;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path records() const { return root_ / "records"; }
  std::filesystem::path runtime() const { return runtime_; }
  std::filesystem::path machine_hive() const { return root_ / "machine.reg"; }
  std::filesystem::path user_hive() const { return root_ / "user.reg"; }

 private:
  std::filesystem::path root_;
  // On a tmpfs where there is one, as a desktop session's /run/user/<uid> is: files made and removed
  // there by the thousand cost what they cost a user, not what a disk's allocator makes of them.
  std::filesystem::path runtime_;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace quorvel::bench
