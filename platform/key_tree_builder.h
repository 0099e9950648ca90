// Builds the tree a hive file's text holds, for the .reg reader (platform/reg_file.cc) alone. The builder
// takes the text, which every key of the tree then shares; the reader hands it views into that text for
// key paths, value names and value data, and may rewrite the text behind the line it reads (it decodes
// strings and hex data where they stand, never into a key line). Lookups go by the path the last key
// line opened and by hash tables, subkeys are sorted once at the end: the time per key does not grow
// with the hive.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/key_tree.h"

namespace quorvel::platform {

class RegKey::Builder {
 public:
  explicit Builder(std::string&& text);
  ~Builder();
  Builder(const Builder&) = delete;
  Builder& operator=(const Builder&) = delete;

  // The text, which the reader may change behind where it reads.
  char* text() { return text_.get()->bytes.data(); }
  std::size_t size() const { return text_.get()->bytes.size(); }

  // Makes the key at a path below the root (segments as RegKey::FindOrCreate takes them, at most
  // kMaxKeyDepth) the current key, created with its parents when missing.
  void OpenKey(std::string_view path);
  // Removes the key at a path with all below it, if it is there; then there is no current key.
  void DeleteKey(std::string_view path);
  bool HasCurrentKey() const { return current_ != nullptr; }
  // Sets or removes a value of the current key, as RegKey::SetValue and RemoveValue do.
  void SetValue(std::string_view name, std::uint32_t type, std::string_view data);
  void RemoveValue(std::string_view name);

  RegKey Finish();

 private:
  Span SpanOf(std::string_view bytes) const;
  std::string_view NameOf(Span span) const;  // of any key built here, which all share the text
  void LeaveKey();
  RegKey& Child(RegKey& parent, std::string_view name);
  std::optional<std::size_t> FindSubKey(RegKey& parent, std::string_view name);
  // Has the key's subkeys found by name from now on, not by their order.
  void Unorder(RegKey& key);
  void IndexSubKeys(RegKey& key);
  template <class Entry>
  std::optional<std::size_t> Lookup(const std::vector<Entry>& entries, const RegKey& owner, std::string_view name,
                                    bool values) const;
  template <class Entry>
  NameIndex* MakeRoom(std::vector<Entry>& entries, RegKey& owner, bool values);

  TextRef text_;
  RegKey root_;
  // The segments of the path the last key line opened, and the keys they lead to, the root first.
  std::vector<std::string_view> path_;
  std::vector<RegKey*> keys_;
  RegKey* current_ = nullptr;
  // Where the current key's values go: its own vector, or for a key without values yet, fresh_values_.
  std::vector<ValueEntry>* values_ = nullptr;
  std::vector<ValueEntry> fresh_values_;
  // The tables of subkeys made while reading, to empty at the end; and whether the end has more to do.
  std::vector<Indexes*> subkey_indexes_;
  std::size_t removals_ = 0;  // keys or values removed, which leave entries to drop
  std::size_t unsorted_ = 0;  // subkeys that came after one that sorts after them
};

}  // namespace quorvel::platform
