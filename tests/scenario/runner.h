// Runs one scenario against the library and answers its transcript.
#pragma once

#include "tests/scenario/node.h"

namespace quorvel::scenario {

// Raises ScenarioError for a scenario it cannot run as written; whatever the library answers or
// raises goes into the transcript instead.
Json RunScenario(const Json& scenario);

}  // namespace quorvel::scenario
