#include "tests/sandbox/xdg_sandbox.h"

#include <cstdlib>

namespace quorvel::testing {

namespace fs = std::filesystem;

namespace {
bool sandbox_made = false;
}  // namespace

XdgSandboxTest::XdgSandboxTest() : desktop_({Desktop::Client{"mailer", "Mailer"}}), fresh_process_(!sandbox_made) {
  sandbox_made = true;
  for (const auto& [name, value] : desktop_.Variables()) env_.Set(name, value);
}

void XdgSandboxTest::SetUp() {
  if (fresh_process_) return;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const TempDir folder;
  const auto output = folder / "output";
  const std::string command = "'" + fs::read_symlink("/proc/self/exe").string() +
                              "' '--gtest_filter=" + test->test_suite_name() + "." + test->name() + "' >'" +
                              output.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) FAIL() << "run alone in a fresh process, it failed:\n" << ReadFile(output);
  GTEST_SKIP() << "run alone in a fresh process, where it passed";
}

}  // namespace quorvel::testing
