// The scenario's own folder: a fresh temporary folder holding the scenario's "files", removed when
// the run ends. Its path is written "${SANDBOX}" in scenarios and transcripts, so both stay the same
// from one run to the next.
#pragma once

#include <map>
#include <string>

#include "tests/scenario/node.h"

namespace quorvel::scenario {

inline constexpr const char* kSandboxMarker = "${SANDBOX}";

class Sandbox {
 public:
  Sandbox();  // raises std::runtime_error when no folder can be made
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& path() const { return path_; }

  // "files": {"relative/path.txt": "contents"}; folders are made as needed.
  void Write(const Node& files);
  // The files now in the folder that the scenario did not write, or whose contents changed, by
  // relative path.
  Json Written() const;

  // Every "${SANDBOX}" inside a string value becomes the folder's path.
  void Expand(Json& value) const;
  // Every occurrence of the folder's path, in string values and keys, becomes "${SANDBOX}".
  void Mask(Json& value) const;

 private:
  std::string path_;
  std::map<std::string, std::string> written_;  // what the scenario wrote, by relative path
};

}  // namespace quorvel::scenario
