// A test in a private desktop: its own home and XDG folders in a fresh temporary folder, no desktop
// session or session bus, the machine's own applications out of sight, and one mail client, "Mailer",
// the default mailto: handler, whose program is `true`.
//
// GIO reads the XDG folders once per process, so the desktop is made before the test's first GIO call.
// Each test runs in its own process under ctest; run directly, a later sandbox test hands itself to a
// new process.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/test_support.h"

namespace quorvel::testing {

class XdgSandboxTest : public ::testing::Test {
 protected:
  XdgSandboxTest();
  // Where an earlier sandbox in this process already fixed GIO's folders, runs the test again alone in
  // a new process and ends it here with that run's outcome (a skip saying so when it passed).
  void SetUp() override;

  // Sets (or with nullopt, unsets) a variable until the test ends.
  void SetEnv(const std::string& name, const std::optional<std::string>& value) { env_.Set(name, value); }
  const std::filesystem::path& root() const { return folder_.path(); }

 private:
  TempDir folder_;
  ScopedEnv env_;
  bool fresh_process_ = false;
};

}  // namespace quorvel::testing
