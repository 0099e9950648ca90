// One operation of the library (a send, a listing of the mail clients) sees one state of the desktop:
// what a system's seams work out about it (the mail clients, the default one) may be kept while the
// operation runs, and is worked out afresh by the next, so a client installed between two sends is
// seen by the second.
#pragma once

#include <cstdint>
#include <memory>

namespace quorvel::platform {

class OperationScope {
 public:
  OperationScope();  // a scope opened inside another belongs to the outer one's operation
  ~OperationScope();
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;

  // The operation running on this thread, never the same number twice; 0 outside any.
  static std::uint64_t Current();
};

// What this thread's running operation keeps: made when first asked for in the operation, then the
// same for the rest of it; outside any operation, made anew for each call.
template <class Kept>
std::shared_ptr<Kept> KeptForThisOperation() {
  thread_local std::uint64_t made_for = 0;
  thread_local std::shared_ptr<Kept> kept;
  const std::uint64_t operation = OperationScope::Current();
  if (!kept || operation == 0 || operation != made_for) {
    kept = std::make_shared<Kept>();
    made_for = operation;
  }
  return kept;
}

}  // namespace quorvel::platform
