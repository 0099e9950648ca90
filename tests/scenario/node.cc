#include "tests/scenario/node.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvel::scenario {

std::string_view JsonTypeName(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::object: return "an object";
    case Json::value_t::array: return "an array";
    case Json::value_t::string: return "a string";
    case Json::value_t::boolean: return "a Boolean";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return "a number";
    default: return "an unsupported JSON value";
  }
}

void Node::Fail(std::string_view problem) const {
  throw ScenarioError((path_.empty() ? std::string("the scenario") : path_) + ": " + std::string(problem));
}

const Json::object_t& Node::Object() const {
  if (!value_->is_object()) Fail("expected an object, found " + std::string(JsonTypeName(*value_)));
  return value_->get_ref<const Json::object_t&>();
}

const Json::array_t& Node::Array() const {
  if (!value_->is_array()) Fail("expected an array, found " + std::string(JsonTypeName(*value_)));
  return value_->get_ref<const Json::array_t&>();
}

const std::string& Node::String() const {
  if (!value_->is_string()) Fail("expected a string, found " + std::string(JsonTypeName(*value_)));
  return value_->get_ref<const std::string&>();
}

std::int32_t Node::Int32() const {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  if (value_->is_number_integer()) {
    const auto number = value_->get<std::int64_t>();
    if (value_->is_number_unsigned() ? value_->get<std::uint64_t>() <= static_cast<std::uint64_t>(kMax)
                                     : number >= kMin && number <= kMax) {
      return static_cast<std::int32_t>(number);
    }
  }
  Fail("expected a whole number from " + std::to_string(kMin) + " to " + std::to_string(kMax) + ", found " +
       (value_->is_number() ? value_->dump() : std::string(JsonTypeName(*value_))));
}

double Node::Number() const {
  if (!value_->is_number()) Fail("expected a number, found " + std::string(JsonTypeName(*value_)));
  return value_->get<double>();
}

bool Node::Boolean() const {
  if (!value_->is_boolean()) Fail("expected true or false, found " + std::string(JsonTypeName(*value_)));
  return value_->get<bool>();
}

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

Node Node::At(std::size_t index) const {
  const auto& array = Array();
  if (index >= array.size()) Fail("has no element " + std::to_string(index));
  return Node(array[index], path_ + "[" + std::to_string(index) + "]");
}

void Node::AllowKeys(std::initializer_list<std::string_view> keys) const {
  for (const auto& [key, value] : Object()) {
    if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
    std::string known;
    for (const auto allowed : keys) known += (known.empty() ? "" : ", ") + std::string(allowed);
    Fail("unknown key \"" + key + "\" (known here: " + known + ")");
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
