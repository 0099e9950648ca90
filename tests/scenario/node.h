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
#include <utility>
#include <vector>

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
  // An array's elements, and an object's members by key, each with its own path.
  std::vector<Node> Items() const;
  std::vector<std::pair<std::string, Node>> Members() const;

  // Refuses an object holding a key not listed, so that a misspelt key never goes unnoticed.
  void AllowKeys(std::initializer_list<std::string_view> keys) const;

  // {"number": 5, "description": "...", "source": "..."}: the description defaults to the runtime's
  // own text for the number, the source to the library's.
  AutomationError Error() const;

 private:
  void Expect(bool ok, std::string_view what) const;
  std::string KeyPath(std::string_view key) const;

  const Json* value_;
  std::string path_;
};

// A short name of the JSON type, for messages.
std::string_view JsonTypeName(const Json& value);

// "a, b, c": the known names a refusal lists.
template <class Names>
std::string Join(const Names& names) {
  std::string list;
  for (const auto& name : names) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

// The entry of a table (classes, double kinds) whose name the node holds; refuses any other name.
template <class Entry>
const Entry& FindNamed(const std::vector<Entry>& entries, const Node& name, std::string_view what) {
  std::vector<std::string> known;
  for (const Entry& entry : entries) {
    if (entry.name == name.String()) return entry;
    known.push_back(entry.name);
  }
  name.Fail("unknown " + std::string(what) + " \"" + name.String() + "\" (known: " + Join(known) + ")");
}

}  // namespace quorvel::scenario
