#include "platform/operation_scope.h"

#include <gtest/gtest.h>

namespace quorvel::platform {
namespace {

struct DesktopState {};

// What an operation keeps lasts that operation only, so that a mail client installed between two
// sends is seen by the second.
TEST(OperationScope, KeepsForOneOperationOnly) {
  std::shared_ptr<DesktopState> first;
  {
    const OperationScope send;
    first = KeptForThisOperation<DesktopState>();
    const OperationScope sign_on;
    EXPECT_EQ(KeptForThisOperation<DesktopState>(), first);
  }
  EXPECT_NE(KeptForThisOperation<DesktopState>(), first);
  const OperationScope next_send;
  EXPECT_NE(KeptForThisOperation<DesktopState>(), first);
}

}  // namespace
}  // namespace quorvel::platform
