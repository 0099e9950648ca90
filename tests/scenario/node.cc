#include "tests/scenario/node.h"

#include <algorithm>
#include <limits>

namespace quorvel::scenario {

std::string_view JsonTypeName(const Json& value) {
  if (value.is_null()) return "null";
  if (value.is_object()) return "an object";
  if (value.is_array()) return "an array";
  if (value.is_string()) return "a string";
  if (value.is_boolean()) return "a Boolean";
  return value.is_number() ? "a number" : "an unsupported JSON value";
}

void Node::Fail(std::string_view problem) const {
  throw ScenarioError((path_.empty() ? std::string("the scenario") : path_) + ": " + std::string(problem));
}

void Node::Expect(bool ok, std::string_view what) const {
  if (!ok) Fail("expected " + std::string(what) + ", found " + std::string(JsonTypeName(*value_)));
}

const Json::object_t& Node::Object() const {
  Expect(value_->is_object(), "an object");
  return value_->get_ref<const Json::object_t&>();
}

const Json::array_t& Node::Array() const {
  Expect(value_->is_array(), "an array");
  return value_->get_ref<const Json::array_t&>();
}

const std::string& Node::String() const {
  Expect(value_->is_string(), "a string");
  return value_->get_ref<const std::string&>();
}

double Node::Number() const {
  Expect(value_->is_number(), "a number");
  return value_->get<double>();
}

bool Node::Boolean() const {
  Expect(value_->is_boolean(), "true or false");
  return value_->get<bool>();
}

std::int32_t Node::Int32() const {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  const bool fits = value_->is_number_unsigned() ? value_->get<std::uint64_t>() <= std::uint64_t{kMax}
                                                 : value_->is_number_integer() && value_->get<std::int64_t>() >= kMin &&
                                                       value_->get<std::int64_t>() <= kMax;
  if (fits) return value_->get<std::int32_t>();
  Fail("expected a whole number from " + std::to_string(kMin) + " to " + std::to_string(kMax) + ", found " +
       (value_->is_number() ? value_->dump() : std::string(JsonTypeName(*value_))));
}

// A key made of letters, digits, '_' and '.' is written after a dot; any other as a quoted index.
std::string Node::KeyPath(std::string_view key) const {
  const bool plain = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
  });
  if (plain) return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
  return path_ + "[" + Json(std::string(key)).dump() + "]";
}

std::optional<Node> Node::Find(std::string_view key) const {
  const auto& object = Object();
  const auto found = object.find(std::string(key));
  if (found == object.end()) return std::nullopt;
  return Node(found->second, KeyPath(key));
}

Node Node::Get(std::string_view key) const {
  if (auto found = Find(key)) return *found;
  Fail("the key \"" + std::string(key) + "\" is required");
}

std::vector<Node> Node::Items() const {
  std::vector<Node> items;
  for (const auto& item : Array()) items.emplace_back(item, path_ + "[" + std::to_string(items.size()) + "]");
  return items;
}

std::vector<std::pair<std::string, Node>> Node::Members() const {
  std::vector<std::pair<std::string, Node>> members;
  for (const auto& [key, value] : Object()) members.emplace_back(key, Node(value, KeyPath(key)));
  return members;
}

void Node::AllowKeys(std::initializer_list<std::string_view> keys) const {
  for (const auto& [key, value] : Object()) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
      Fail("unknown key \"" + key + "\" (known here: " + Join(keys) + ")");
    }
  }
}

AutomationError Node::Error() const {
  AllowKeys({"number", "description", "source"});
  const std::int32_t number = Get("number").Int32();
  const auto description = Find("description");
  const auto source = Find("source");
  return AutomationError(number, description ? description->String() : StandardDescription(number),
                         source ? source->String() : kLibrarySource);
}

}  // namespace quorvel::scenario
