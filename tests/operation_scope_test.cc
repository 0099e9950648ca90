#include "platform/operation_scope.h"

#include <gtest/gtest.h>

namespace quorvel::platform {
namespace {

struct DesktopState {};
std::uint64_t desktop_changes = 0;
std::uint64_t DesktopChanges() { return desktop_changes; }

// What is kept lasts while the desktop is unchanged, so that a mail client installed between two sends
// is seen by the second; and one operation never sees two states of the desktop.
TEST(OperationScope, KeepsWhileUnchangedOneStatePerOperation) {
  std::shared_ptr<DesktopState> first;
  {
    const OperationScope send;
    first = KeptWhileUnchanged<DesktopState>(DesktopChanges);
    ++desktop_changes;
    const OperationScope sign_on;
    EXPECT_EQ(KeptWhileUnchanged<DesktopState>(DesktopChanges), first);
  }
  const auto outside = KeptWhileUnchanged<DesktopState>(DesktopChanges);
  EXPECT_NE(outside, first);
  const OperationScope next_send;
  EXPECT_EQ(KeptWhileUnchanged<DesktopState>(DesktopChanges), outside);
}

}  // namespace
}  // namespace quorvel::platform
