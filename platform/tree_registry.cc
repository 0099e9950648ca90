#include "platform/tree_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/text_encoding.h"

namespace quorvel::platform {

namespace {
// Whether path names the key prefix or one below it, segment by segment without regard to case.
bool IsAtOrBelow(std::string_view path, std::string_view prefix) {
  const auto segments = SplitKeyPath(path);
  const auto prefix_segments = SplitKeyPath(prefix);
  return !prefix_segments.empty() && prefix_segments.size() <= segments.size() &&
         std::equal(prefix_segments.begin(), prefix_segments.end(), segments.begin(), EqualsIgnoringCase);
}
}  // namespace

RegStatus TreeRegistry::RegOpenKeyExA(HKey root, const std::string& subKey, std::uint32_t /*options*/,
                                      std::uint32_t access, HKey& result) {
  return Open(root, subKey, access, result);
}

RegStatus TreeRegistry::RegOpenKeyA(HKey root, const std::string& subKey, HKey& result) {
  return Open(root, subKey, std::nullopt, result);
}

RegStatus TreeRegistry::Open(HKey root, const std::string& subKey, std::optional<std::uint32_t> access, HKey& result) {
  result = 0;
  auto hive = LoadHive(root);
  if (!hive) return reg_status::kInvalidHandle;
  if (access && (*access & ~hive->granted) != 0 && !IsAtOrBelow(subKey, hive->fully_granted_path)) {
    return reg_status::kAccessDenied;
  }
  const RegKey* key = hive->root->Find(subKey);
  if (!key) return reg_status::kFileNotFound;
  result = next_handle_++;
  open_keys_.emplace(result, OpenKey{std::move(hive->root), key});
  return reg_status::kSuccess;
}

TreeRegistry::OpenKey* TreeRegistry::Lookup(HKey key) {
  const auto found = open_keys_.find(key);
  return found == open_keys_.end() ? nullptr : &found->second;
}

RegStatus TreeRegistry::RegEnumKeyExA(HKey key, std::uint32_t index, std::string& nameBuffer, std::uint32_t& nameSize) {
  OpenKey* open = Lookup(key);
  if (!open) return reg_status::kInvalidHandle;
  const auto subkeys = open->key->subkeys();
  if (index >= subkeys.size()) return reg_status::kNoMoreItems;
  const std::string_view name = subkeys[index].name;
  const auto length = static_cast<std::uint32_t>(Utf8Characters(name));
  if (length >= nameSize) return reg_status::kMoreData;
  nameBuffer.replace(0, std::min(nameBuffer.size(), name.size() + 1), std::string(name) + '\0');
  nameSize = length;
  return reg_status::kSuccess;
}

RegStatus TreeRegistry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t& dataSize) {
  const OpenKey* open = Lookup(key);
  if (!open) return reg_status::kInvalidHandle;
  const std::optional<RegValueView> value = open->key->Value(valueName);
  if (!value) return reg_status::kFileNotFound;
  if (type) *type = value->type;
  const auto size = static_cast<std::uint32_t>(value->data.size());
  if (data) {
    if (dataSize < size) {
      dataSize = size;
      return reg_status::kMoreData;
    }
    if (size > 0) std::memcpy(data, value->data.data(), size);
  }
  dataSize = size;
  return reg_status::kSuccess;
}

RegStatus TreeRegistry::RegCloseKey(HKey key) {
  return open_keys_.erase(key) ? reg_status::kSuccess : reg_status::kInvalidHandle;
}

}  // namespace quorvel::platform
