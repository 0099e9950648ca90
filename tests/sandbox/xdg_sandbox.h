// A test in a private desktop (desktop.h) whose one mail client, "Mailer", is the default mailto:
// handler.
//
// GIO reads the XDG folders once per process, so the desktop is made before the test's first GIO call.
// Each test runs in its own process under ctest; run directly, a later sandbox test hands itself to a
// new process.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/sandbox/desktop.h"
#include "tests/support/test_support.h"

namespace quorvel::testing {

class XdgSandboxTest : public ::testing::Test {
 protected:
  XdgSandboxTest();
  // Where an earlier sandbox in this process already fixed GIO's folders, runs the test again alone in
  // a new process and ends it here with that run's outcome (a skip saying so when it passed).
  void SetUp() override;

  const std::filesystem::path& root() const { return desktop_.root(); }

 private:
  Desktop desktop_;
  ScopedEnv env_;  // the desktop's variables until the test ends
  bool fresh_process_ = false;
};

}  // namespace quorvel::testing
