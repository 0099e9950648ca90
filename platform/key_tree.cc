#include "platform/key_tree.h"

#include <algorithm>

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

const RegValue* RegKey::Value(std::string_view name) const {
  for (const auto& [value_name, value] : values_) {
    if (EqualsIgnoringCase(value_name, name)) return &value;
  }
  return nullptr;
}

void RegKey::SetValue(std::string_view name, RegValue value) {
  for (auto& [value_name, existing] : values_) {
    if (EqualsIgnoringCase(value_name, name)) {
      existing = std::move(value);
      return;
    }
  }
  values_.emplace_back(std::string(name), std::move(value));
}

bool RegKey::RemoveValue(std::string_view name) {
  return std::erase_if(values_, [&](const auto& entry) { return EqualsIgnoringCase(entry.first, name); }) > 0;
}

}  // namespace quorvel::platform
