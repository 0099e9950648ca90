#include "platform/key_tree.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quorvel::platform {

namespace {
char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(Fold(x)) < static_cast<unsigned char>(Fold(y));
  });
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> segments;
  while (!path.empty()) {
    const auto slash = path.find('\\');
    const auto segment = path.substr(0, slash);
    if (!segment.empty()) segments.push_back(segment);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return segments;
}

const RegKey* RegKey::Find(std::string_view path) const {
  const RegKey* key = this;
  for (const auto segment : SplitKeyPath(path)) {
    const auto found = key->subkeys_.find(segment);
    if (found == key->subkeys_.end()) return nullptr;
    key = &found->second;
  }
  return key;
}

RegKey& RegKey::FindOrCreate(std::string_view path) {
  RegKey* key = this;
  for (const auto segment : SplitKeyPath(path)) {
    auto found = key->subkeys_.find(segment);
    if (found == key->subkeys_.end()) found = key->subkeys_.emplace(std::string(segment), RegKey{}).first;
    key = &found->second;
  }
  return *key;
}

bool RegKey::Remove(std::string_view path) {
  auto segments = SplitKeyPath(path);
  if (segments.empty()) return false;
  const auto last = segments.back();
  segments.pop_back();
  RegKey* parent = this;
  for (const auto segment : segments) {
    const auto found = parent->subkeys_.find(segment);
    if (found == parent->subkeys_.end()) return false;
    parent = &found->second;
  }
  const auto found = parent->subkeys_.find(last);
  if (found == parent->subkeys_.end()) return false;
  parent->subkeys_.erase(found);
  return true;
}

// Copying, comparing and destroying walk the tree with a list of their own rather than by recursion,
// so that a deep tree needs no deep stack, whatever the build's frames.
RegKey::RegKey(const RegKey& other) : values_(other.values_) {
  IndexValues();
  std::vector<std::pair<const RegKey*, RegKey*>> pending{{&other, this}};
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    for (const auto& [name, subkey] : from->subkeys_) {
      RegKey& copy = to->subkeys_.emplace_hint(to->subkeys_.end(), name, RegKey{})->second;
      copy.values_ = subkey.values_;
      copy.IndexValues();
      pending.emplace_back(&subkey, &copy);
    }
  }
}

RegKey::~RegKey() {
  std::vector<SubKeys> pending;
  pending.push_back(std::exchange(subkeys_, {}));
  while (!pending.empty()) {
    SubKeys level = std::move(pending.back());
    pending.pop_back();
    // Emptied of their own subkeys first, the keys of this level go without recursing.
    for (auto& [name, subkey] : level) {
      if (!subkey.subkeys_.empty()) pending.push_back(std::exchange(subkey.subkeys_, {}));
    }
  }
}

bool RegKey::operator==(const RegKey& other) const {
  std::vector<std::pair<const RegKey*, const RegKey*>> pending{{this, &other}};
  while (!pending.empty()) {
    const auto [a, b] = pending.back();
    pending.pop_back();
    if (a->values_ != b->values_ || a->subkeys_.size() != b->subkeys_.size()) return false;
    for (auto x = a->subkeys_.begin(), y = b->subkeys_.begin(); x != a->subkeys_.end(); ++x, ++y) {
      if (x->first != y->first) return false;
      pending.emplace_back(&x->second, &y->second);
    }
  }
  return true;
}

RegKey& RegKey::operator=(const RegKey& other) {
  if (this != &other) *this = RegKey(other);
  return *this;
}

void RegKey::IndexValues() {
  value_index_.clear();
  for (auto entry = values_.begin(); entry != values_.end(); ++entry) value_index_.emplace(entry->first, entry);
}

const RegValue* RegKey::Value(std::string_view name) const {
  const auto found = value_index_.find(name);
  return found == value_index_.end() ? nullptr : &found->second->second;
}

void RegKey::SetValue(std::string_view name, RegValue value) {
  if (const auto found = value_index_.find(name); found != value_index_.end()) {
    found->second->second = std::move(value);
    return;
  }
  values_.emplace_back(std::string(name), std::move(value));
  value_index_.emplace(values_.back().first, std::prev(values_.end()));
}

bool RegKey::RemoveValue(std::string_view name) {
  const auto found = value_index_.find(name);
  if (found == value_index_.end()) return false;
  const auto entry = found->second;
  value_index_.erase(found);
  values_.erase(entry);
  return true;
}

}  // namespace quorvel::platform
