// The automation doubles a scenario can register as servers ("servers": {"<ProgID>": {"double": "<kind>", ...}}).
// A kind builds its double from the server's JSON and dumps the double's final state for the
// transcript. Adding a kind is one entry in the table in automation_doubles.cc.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quorvel/variant.h"
#include "tests/scenario/node.h"

namespace quorvel::scenario {

class AutomationDouble {
 public:
  virtual ~AutomationDouble() = default;
  // The one instance every creation of the server hands out, so its final state can be dumped.
  virtual std::shared_ptr<AutomationObject> Object() = 0;
  virtual Json Dump() const = 0;
};

struct DoubleKind {
  std::string name;
  // The server's whole object, "double" included; the builder refuses keys it does not know.
  std::function<std::unique_ptr<AutomationDouble>(const Node& server)> build;
};

const std::vector<DoubleKind>& DoubleKinds();

// The double the server's "double" key names, built from the server's JSON.
std::unique_ptr<AutomationDouble> BuildDouble(const Node& server);

}  // namespace quorvel::scenario
