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

RegKey::RegKey(const RegKey& other) : subkeys_(other.subkeys_), values_(other.values_) { IndexValues(); }

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
