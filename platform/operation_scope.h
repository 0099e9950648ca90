// One operation of the library (a send, a listing of the mail clients) sees one state of the system:
// what a system's seams work out about it (the mail clients, the default one, the hive files) is kept
// while the operation runs. What can tell when it has changed may be kept for the next operations
// too, e.g. the desktop's mail clients on Linux until GIO notices a change to the desktop.
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

// What this thread keeps of the state `stamp` numbers: the same object for the rest of an operation
// once it has asked, so that all it reads comes from one state; each new operation, and each call
// outside any, asks `stamp` again and gets a new object only when the stamp differs from the one the
// kept object was made under.
template <class Kept>
std::shared_ptr<Kept> KeptWhileUnchanged(std::uint64_t (*stamp)()) {
  thread_local std::uint64_t asked_in = 0;  // the operation that last asked the stamp
  thread_local std::uint64_t made_under = 0;
  thread_local std::shared_ptr<Kept> kept;
  const std::uint64_t operation = OperationScope::Current();
  if (kept && operation != 0 && operation == asked_in) return kept;
  const std::uint64_t now = stamp();
  if (!kept || now != made_under) {
    kept = std::make_shared<Kept>();
    made_under = now;
  }
  asked_in = operation;
  return kept;
}

}  // namespace quorvel::platform
