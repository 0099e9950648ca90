// The transcript's text: indented by two spaces, with every small value (a typed value, an error,
// a short list) kept on one line, so that a golden reads line by line and a change shows as a
// small difference. The same JSON always gives the same text.
#pragma once

#include <string>

#include "tests/scenario/node.h"

namespace quorvel::scenario {

std::string PrettyPrint(const Json& value);

}  // namespace quorvel::scenario
