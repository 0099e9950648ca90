// Small helpers the suites share: a temporary folder, environment variables restored afterwards,
// whole-file reads and writes, and a check run as an unprivileged user.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace quorvel::testing {

// A fresh folder in the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

 private:
  std::filesystem::path path_;
};

// Sets or unsets variables; every one it touched gets its earlier value back.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void Set(const std::string& name, const std::optional<std::string>& value);

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// Sets the variable in this process's environment, or removes it (nullopt).
void PutVariable(const std::string& name, const std::optional<std::string>& value);

std::string ReadFile(const std::filesystem::path& path);
// Writes the bytes, making the folders on the way; throws when the file cannot be written.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Linux only: runs the check in a child process as user and group 65534, since the superuser may
// write any file; answers the child's exit status (0 when the check held).
int RunAsNobody(const std::function<bool()>& check);

}  // namespace quorvel::testing
