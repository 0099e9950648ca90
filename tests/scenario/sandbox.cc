#include "tests/scenario/sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace quorvel::scenario {

namespace {
namespace fs = std::filesystem;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

template <class Change>
void ChangeStrings(Json& value, const Change& change, bool keys) {
  if (value.is_string()) {
    value = change(value.get<std::string>());
  } else if (value.is_array()) {
    for (auto& item : value) ChangeStrings(item, change, keys);
  } else if (value.is_object()) {
    Json changed = Json::object();
    for (auto& [key, item] : value.items()) {
      ChangeStrings(item, change, keys);
      changed[keys ? change(key) : key] = std::move(item);
    }
    value = std::move(changed);
  }
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

Sandbox::Sandbox() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  std::string pattern = ((error ? fs::path("/tmp") : base) / "quorvel-scenario-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("cannot make a folder from " + pattern);
  path_ = buffer.data();
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void Sandbox::Write(const Node& files) {
  for (const auto& [name, contents] : files.Object()) {
    const Node file(contents, files.KeyPath(name));
    const fs::path relative = fs::path(name).lexically_normal();
    // Every file stays inside the folder, so removing the folder removes everything the run made.
    if (name.empty() || relative.is_absolute() || relative.empty() || *relative.begin() == ".." ||
        relative.filename().empty()) {
      file.Fail("a file's name is a relative path inside the sandbox");
    }
    const fs::path target = fs::path(path_) / relative;
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << file.String();
    out.close();
    if (error || !out) file.Fail("cannot write " + target.string());
    written_[relative.generic_string()] = file.String();
  }
}

Json Sandbox::Written() const {
  std::map<std::string, std::string> changed;  // sorted, so the transcript does not depend on the folder's order
  std::error_code error;
  for (auto entry = fs::recursive_directory_iterator(path_, error); !error && entry != fs::end(entry);
       entry.increment(error)) {
    if (!entry->is_regular_file()) continue;
    const std::string relative = fs::relative(entry->path(), path_).generic_string();
    std::string contents = ReadFile(entry->path());
    const auto before = written_.find(relative);
    if (before == written_.end() || before->second != contents) changed[relative] = std::move(contents);
  }
  Json result = Json::object();
  for (auto& [name, contents] : changed) result[name] = std::move(contents);
  return result;
}

void Sandbox::Expand(Json& value) const {
  ChangeStrings(
      value, [this](const std::string& text) { return ReplaceAll(text, kSandboxMarker, path_); }, false);
}

void Sandbox::Mask(Json& value) const {
  ChangeStrings(
      value, [this](const std::string& text) { return ReplaceAll(text, path_, kSandboxMarker); }, true);
}

}  // namespace quorvel::scenario
