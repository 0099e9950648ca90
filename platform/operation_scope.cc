#include "platform/operation_scope.h"

#include <atomic>

namespace quorvel::platform {

namespace {
std::atomic<std::uint64_t> last_operation{0};
thread_local std::uint64_t current_operation = 0;
thread_local int open_scopes = 0;
}  // namespace

OperationScope::OperationScope() {
  if (open_scopes++ == 0) current_operation = ++last_operation;
}

OperationScope::~OperationScope() {
  if (--open_scopes == 0) current_operation = 0;
}

std::uint64_t OperationScope::Current() { return current_operation; }

}  // namespace quorvel::platform
