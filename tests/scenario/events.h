// The transcript's "events": everything that crossed a boundary of the library, in the order it happened.
#pragma once

#include <cstddef>
#include <vector>

#include "quorvel/error.h"
#include "tests/scenario/node.h"

namespace quorvel::scenario {

class EventLog {
 public:
  // Answers the event's position, which stays valid while later events are added.
  std::size_t Add(Json event) {
    events_.push_back(std::move(event));
    return events_.size() - 1;
  }
  Json& operator[](std::size_t position) { return events_[position]; }
  Json ToJson() const { return Json(events_); }

 private:
  std::vector<Json> events_;
};

// {"number", "description", "source"}.
inline Json ErrorJson(std::int32_t number, const std::string& description, const std::string& source) {
  return {{"number", number}, {"description", description}, {"source", source}};
}
inline Json ErrorJson(const AutomationError& error) {
  return ErrorJson(error.number(), error.description(), error.source());
}

// The thread's current error, or null while no trap is reporting one.
inline Json CurrentErrorJson() {
  const ErrorInfo& error = CurrentError();
  if (error.number == 0) return nullptr;
  return ErrorJson(error.number, error.description, error.source);
}

// Adds the event, then runs the call it stands for; an error the call raises is added to the event as
// "raised" and goes on to the library. Answers the event's position, for what the call answered.
template <class Call>
std::size_t Record(EventLog& events, Json event, Call&& call) {
  const std::size_t position = events.Add(std::move(event));
  try {
    call();
  } catch (const AutomationError& error) {
    events[position]["raised"] = ErrorJson(error);
    throw;
  }
  return position;
}

}  // namespace quorvel::scenario
