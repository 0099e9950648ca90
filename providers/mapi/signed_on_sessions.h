// The sessions signed on through one registration of the Simple MAPI controls, by the number the session
// control's SessionID answers: both controls share the table, so the messages control finds what its
// SessionID names. Each system keeps its own record of a session (Session).
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <optional>

namespace quorvel::mapi {

template <typename Session>
class SignedOnSessions {
 public:
  // A new session number, never 0 and never one in use.
  std::int32_t Add(Session session) {
    const std::lock_guard lock(mutex_);
    do {
      last_id_ = last_id_ == std::numeric_limits<std::int32_t>::max() ? 1 : last_id_ + 1;
    } while (sessions_.contains(last_id_));
    sessions_.emplace(last_id_, std::move(session));
    return last_id_;
  }

  // The session's record, taken out of the table: nothing for a number not in use.
  std::optional<Session> Remove(std::int32_t id) {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(id);
    if (found == sessions_.end()) return std::nullopt;
    Session session = std::move(found->second);
    sessions_.erase(found);
    return session;
  }

  std::optional<Session> Find(std::int32_t id) const {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(id);
    if (found == sessions_.end()) return std::nullopt;
    return found->second;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::int32_t, Session> sessions_;
  std::int32_t last_id_ = 0;
};

}  // namespace quorvel::mapi
