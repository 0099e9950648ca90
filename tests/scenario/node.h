// Reading a scenario: every value comes with the path that leads to it, so that a malformed scenario
// is refused with a message naming the exact spot ("calls[2].args[0]: ..."); and the typed values
// calls take and answer, each naming its kind.
#pragma once

#include <algorithm>
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
#include "quorvel/variant.h"

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
  const std::string& String() const;
  std::int32_t Int32() const;
  bool Boolean() const;

  // The member of an object; Find answers nullopt when it is absent, Get refuses that.
  std::optional<Node> Find(std::string_view key) const;
  Node Get(std::string_view key) const;
  // An array's elements, and an object's members by key, each with its own path.
  std::vector<Node> Items() const;
  std::vector<std::pair<std::string, Node>> Members() const;
  // Refuses an object holding a key not listed, so that a misspelt key never goes unnoticed.
  void AllowKeys(std::initializer_list<std::string_view> keys) const;
  // Refuses, at this node, a name not in the list, naming what it is and the names known.
  template <class Names>
  const std::string& Known(const std::string& name, const Names& names, std::string_view what) const {
    if (std::find(std::begin(names), std::end(names), name) == std::end(names)) {
      Fail("unknown " + std::string(what) + " \"" + name + "\" (known: " + Join(names) + ")");
    }
    return name;
  }

  // {"number": 5, "description": "...", "source": "..."}: the description defaults to the runtime's
  // own text for the number, the source to the library's.
  AutomationError Error() const;

  // "a, b, c": the known names a refusal lists.
  template <class Names>
  static std::string Join(const Names& names) {
    std::string list;
    for (const auto& name : names) list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
  }

 private:
  void Expect(bool ok, std::string_view what) const;
  std::string KeyPath(std::string_view key) const;

  const Json* value_;
  std::string path_;
};

// {"text": "a"}  {"texts": ["a", " b "], "lower": 1}  {"undimensioned": true}
// {"variants": [{"long": 1}], "lower": 0}  {"empty": true}  {"null": true}  {"missing": true}
// {"long": 5}  {"double": 2.5}  {"bool": true}  {"nothing": true}
Variant FromTyped(const Node& node);
// Booleans are written as the runtime holds them, -1 and 0; an object as {"object": <class name>}.
Json ToTyped(const Variant& value);

// {"number", "description", "source"}.
Json ErrorJson(const AutomationError& error);

}  // namespace quorvel::scenario
