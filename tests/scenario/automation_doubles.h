// The automation doubles a scenario can register as servers ("servers": {"<ProgID>": {"double": "<kind>", ...}}).
// A kind builds its double from the server's JSON and dumps the double's final state for the
// transcript. Adding a kind is one entry in DoubleKinds() in automation_doubles.cc.
#pragma once

#include <memory>

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

// The double the server's "double" key names, built from the server's whole JSON ("double" included).
std::unique_ptr<AutomationDouble> BuildDouble(const Node& server);

}  // namespace quorvel::scenario
