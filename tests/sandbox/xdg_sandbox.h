// A private desktop for one test: its own home, XDG folders and runtime folder in a fresh temporary
// folder, no desktop session, no session bus, and the machine's own applications out of sight.
// Fake mail clients are desktop entries whose program records the argument vector it was started
// with, so a test reads exactly what a launch handed over.
//
// GIO reads the XDG folders once per process: set everything up before the first GIO call. Each
// test runs in its own process under ctest; run directly, a later sandbox test hands itself to a
// new process (RunAloneUnlessFresh).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace quorvel::testing {

// What a fake client's program is.
enum class ClientProgram {
  kRecording,  // the recording script
  kMissing,    // a path where no program exists
};

struct ClientOptions {
  bool hidden = false;      // Hidden=true
  bool no_display = false;  // NoDisplay=true
  ClientProgram program = ClientProgram::kRecording;
  std::optional<std::string> try_exec = std::nullopt;           // TryExec=, "{program}" as in Exec
  std::optional<std::string> working_directory = std::nullopt;  // Path=
  // The recording program's file name, e.g. "thunderbird" for a client picked by its program's
  // name; by default the desktop id.
  std::optional<std::string> program_name = std::nullopt;
};

class XdgSandbox {
 public:
  XdgSandbox();
  XdgSandbox(const XdgSandbox&) = delete;
  XdgSandbox& operator=(const XdgSandbox&) = delete;

  // Writes applications/<desktopId>.desktop handling x-scheme-handler/mailto. In execTemplate,
  // "{program}" stands for the client's program (see ClientProgram); the rest is the Exec line as
  // written, field codes included, e.g. "{program} --compose %u". Answers the path of the entry.
  std::filesystem::path AddRecordingClient(const std::string& desktopId, const std::string& name,
                                           const std::string& execTemplate, const ClientOptions& options = {});
  // Makes desktopId.desktop the default mailto handler in $XDG_CONFIG_HOME/mimeapps.list.
  void SetDefault(const std::string& desktopId);
  // Rebuilds the applications folder's MIME cache, without which GIO finds no handler by type.
  // False when update-desktop-database could not be run or failed.
  bool Refresh();

  // The arguments the client's program was last started with (argv[0] left out), once its record
  // is complete; nullopt when none appeared within the timeout. Taking a record removes it, so a
  // later launch is seen afresh.
  std::optional<std::vector<std::string>> WaitForRecord(const std::string& desktopId,
                                                        std::chrono::milliseconds timeout = std::chrono::seconds(20));
  bool HasRecord(const std::string& desktopId) const;

  // Sets (or with nullopt, unsets) a variable; the destructor restores it.
  void SetEnv(const std::string& name, const std::optional<std::string>& value);

  // True when no other sandbox was made earlier in this process.
  bool fresh_process() const { return fresh_process_; }

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path home() const { return root_ / "home"; }
  std::filesystem::path data_home() const { return root_ / "data"; }
  std::filesystem::path applications() const { return data_home() / "applications"; }
  std::filesystem::path data_dir() const { return root_ / "data-dir"; }
  std::filesystem::path config_home() const { return root_ / "config"; }
  std::filesystem::path config_dir() const { return root_ / "config-dir"; }
  std::filesystem::path runtime_dir() const { return root_ / "runtime"; }
  // The client's program: bin/<desktopId>, or programs/<desktopId>/<program_name> when one was chosen.
  std::filesystem::path ProgramPath(const std::string& desktopId) const;
  std::filesystem::path RecordPath(const std::string& desktopId) const;

 private:
  TempDir folder_;
  ScopedEnv env_;
  std::filesystem::path root_;
  bool fresh_process_ = false;
  std::map<std::string, std::filesystem::path> named_programs_;  // by desktop id, where program_name was given
};

// Where an earlier sandbox in this process already fixed GIO's folders, runs the current test again
// alone in a new process and ends it here with that run's outcome (a skip saying so when it passed).
inline void RunAloneUnlessFresh(const XdgSandbox& sandbox) {
  if (sandbox.fresh_process()) return;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const TempDir folder;
  const auto output = folder / "output";
  const std::string command = "'" + std::filesystem::read_symlink("/proc/self/exe").string() +
                              "' '--gtest_filter=" + test->test_suite_name() + "." + test->name() + "' >'" +
                              output.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) FAIL() << "run alone in a fresh process, it failed:\n" << ReadFile(output);
  GTEST_SKIP() << "run alone in a fresh process, where it passed";
}

}  // namespace quorvel::testing
