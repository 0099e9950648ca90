#include "tests/scenario/node.h"

#include <array>
#include <cctype>
#include <limits>

namespace quorvel::scenario {

namespace {
std::string JsonTypeName(const Json& value) {
  if (value.is_null()) return "null";
  if (value.is_object()) return "an object";
  if (value.is_array()) return "an array";
  if (value.is_string()) return "a string";
  if (value.is_boolean()) return "a Boolean";
  return value.is_number() ? "a number " + value.dump() : "an unsupported JSON value";
}

constexpr std::array<std::string_view, 11> kKinds = {"text",    "texts", "undimensioned", "variants", "empty",  "null",
                                                     "missing", "long",  "double",        "bool",     "nothing"};

// {"texts": [...], "lower": 1} or {"variants": [...]}. The bounds are Longs: an array whose upper
// bound would pass the largest Long cannot exist.
template <class Array, class Item, class ReadItem>
Array ReadArray(const Node& node, std::string_view kind, ReadItem read_item) {
  node.AllowKeys({kind, "lower"});
  std::vector<Item> items;
  for (const Node& item : node.Get(kind).Items()) items.push_back(read_item(item));
  const auto lower = node.Find("lower");
  const std::int32_t bound = lower ? lower->Int32() : 0;
  if (std::int64_t{bound} + static_cast<std::int64_t>(items.size()) - 1 > std::numeric_limits<std::int32_t>::max()) {
    lower->Fail("the upper bound, lower + count - 1, passes the largest Long");
  }
  return Array(bound, std::move(items));
}
}  // namespace

void Node::Fail(std::string_view problem) const {
  throw ScenarioError((path_.empty() ? std::string("the scenario") : path_) + ": " + std::string(problem));
}

void Node::Expect(bool ok, std::string_view what) const {
  if (!ok) Fail("expected " + std::string(what) + ", found " + JsonTypeName(*value_));
}

const std::string& Node::String() const {
  Expect(value_->is_string(), "a string");
  return value_->get_ref<const std::string&>();
}

bool Node::Boolean() const {
  Expect(value_->is_boolean(), "true or false");
  return value_->get<bool>();
}

std::int32_t Node::Int32() const {
  const bool fits = value_->is_number_integer() && value_->get<std::int64_t>() >= INT32_MIN &&
                    value_->get<std::int64_t>() <= INT32_MAX && (!value_->is_number_unsigned() || *value_ <= INT32_MAX);
  Expect(fits, "a whole number from -2147483648 to 2147483647");
  return value_->get<std::int32_t>();
}

// A key made of letters, digits, '_' and '.' is written after a dot; any other as a quoted index.
std::string Node::KeyPath(std::string_view key) const {
  const bool plain = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
  });
  if (plain) return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
  return path_ + "[" + Json(std::string(key)).dump() + "]";
}

std::optional<Node> Node::Find(std::string_view key) const {
  Expect(value_->is_object(), "an object");
  const auto found = value_->find(std::string(key));
  if (found == value_->end()) return std::nullopt;
  return Node(*found, KeyPath(key));
}

Node Node::Get(std::string_view key) const {
  if (auto found = Find(key)) return *found;
  Fail("the key \"" + std::string(key) + "\" is required");
}

std::vector<Node> Node::Items() const {
  Expect(value_->is_array(), "an array");
  std::vector<Node> items;
  for (const auto& item : *value_) items.emplace_back(item, path_ + "[" + std::to_string(items.size()) + "]");
  return items;
}

std::vector<std::pair<std::string, Node>> Node::Members() const {
  Expect(value_->is_object(), "an object");
  std::vector<std::pair<std::string, Node>> members;
  for (const auto& [key, value] : value_->items()) members.emplace_back(key, Node(value, KeyPath(key)));
  return members;
}

void Node::AllowKeys(std::initializer_list<std::string_view> keys) const {
  for (const auto& [key, value] : Members()) {
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

Variant FromTyped(const Node& node) {
  const auto members = node.Members();
  const std::string kind = node.Known(members.empty() ? "" : members.front().first, kKinds, "kind of value");
  if (kind == "texts") return ReadArray<StringArray, std::string>(node, kind, [](const Node& n) { return n.String(); });
  if (kind == "variants") return ReadArray<VariantArray, Variant>(node, kind, FromTyped);
  if (kind != "undimensioned") node.AllowKeys({kind});
  const Node& value = members.front().second;
  if (kind == "text") return value.String();
  if (kind == "long") return value.Int32();
  if (kind == "double" && value.json().is_number()) return value.json().get<double>();
  if (kind == "double") value.Fail("expected a number");
  // -1 and 0 are accepted too, so a value copied from a transcript reads back the same.
  if (kind == "bool")
    return value.json().is_number() ? value.Known(value.json().dump(), std::array{"-1", "0"}, "Boolean") == "-1"
                                    : value.Boolean();
  if (value.json() != true) value.Fail("expected true");
  if (kind == "undimensioned") {
    node.AllowKeys({kind, "of"});
    const auto of = node.Find("of");
    if (of && of->Known(of->String(), std::array{"texts", "variants"}, "array") == "variants") return VariantArray();
    return StringArray();
  }
  if (kind == "empty") return Variant::Empty{};
  if (kind == "null") return Variant::Null{};
  if (kind == "missing") return Variant::Missing{};
  return Variant::Object{};  // nothing
}

Json ToTyped(const Variant& value) {
  if (value.Is<Variant::Empty>()) return {{"empty", true}};
  if (value.Is<Variant::Null>()) return {{"null", true}};
  if (value.Is<Variant::Missing>()) return {{"missing", true}};
  if (const auto* flag = value.GetIf<bool>()) return {{"bool", *flag ? -1 : 0}};
  if (const auto* number = value.GetIf<std::int32_t>()) return {{"long", *number}};
  if (const auto* number = value.GetIf<double>()) return {{"double", *number}};
  if (const auto* text = value.GetIf<std::string>()) return {{"text", *text}};
  if (const auto* texts = value.GetIf<StringArray>()) {
    if (!texts->IsDimensioned()) return {{"undimensioned", true}};
    return {{"texts", texts->items()}, {"lower", texts->LBound()}};
  }
  if (const auto* variants = value.GetIf<VariantArray>()) {
    if (!variants->IsDimensioned()) return {{"undimensioned", true}, {"of", "variants"}};
    Json items = Json::array();
    for (const auto& item : variants->items()) items.push_back(ToTyped(item));
    return {{"variants", std::move(items)}, {"lower", variants->LBound()}};
  }
  const auto& object = *value.GetIf<Variant::Object>();
  if (!object) return {{"nothing", true}};
  return {{"object", object->ClassName()}};
}

Json ErrorJson(const AutomationError& error) {
  return {{"number", error.number()}, {"description", error.description()}, {"source", error.source()}};
}

}  // namespace quorvel::scenario
