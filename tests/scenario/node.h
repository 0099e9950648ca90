// Reading a scenario file: every value comes with the path that leads to it, so that a malformed
// scenario is refused with a message naming the exact spot ("calls[2].args[0]: ...").
#pragma once

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "quorvel/error.h"

namespace quorvel::scenario {

// Scenarios and transcripts keep their keys in the order written, so a transcript reads like its scenario.
using Json = nlohmann::ordered_json;

// A scenario the runner cannot run as written; the message names the spot and what is wrong.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Node {
 public:
  Node(const Json& value, std::string path) : value_(&value), path_(std::move(path)) {}

  const Json& json() const { return *value_; }
  const std::string& path() const { return path_; }

  [[noreturn]] void Fail(std::string_view problem) const;

  // Each accessor refuses a value of another JSON type.
  const Json::object_t& Object() const;
  const Json::array_t& Array() const;
  const std::string& String() const;
  std::int32_t Int32() const;
  double Number() const;
  bool Boolean() const;

  // The member of an object; Find answers nullopt when it is absent, Get refuses that.
  std::optional<Node> Find(std::string_view key) const;
  Node Get(std::string_view key) const;
  Node At(std::size_t index) const;
  std::string KeyPath(std::string_view key) const;

  // Refuses an object holding a key not listed, so that a misspelt key never goes unnoticed.
  void AllowKeys(std::initializer_list<std::string_view> keys) const;

  // {"number": 5, "description": "...", "source": "..."}: the description defaults to the runtime's
  // own text for the number, the source to the library's.
  AutomationError Error() const;

 private:
  const Json* value_;
  std::string path_;
};

// A short name of the JSON type, for messages.
std::string_view JsonTypeName(const Json& value);

}  // namespace quorvel::scenario
