// Automation values written as JSON: every value names its kind, so a scenario says exactly what the
// library receives and a transcript shows exactly what it answered.
//
//   {"text": "a"}  {"texts": ["a", " b "], "lower": 1}  {"undimensioned": true}
//   {"variants": [{"long": 1}], "lower": 0}  {"empty": true}  {"null": true}  {"missing": true}
//   {"long": 5}  {"double": 2.5}  {"bool": true}  {"nothing": true}
#pragma once

#include "quorvel/variant.h"
#include "tests/scenario/node.h"

namespace quorvel::scenario {

// The value a typed JSON value stands for; refuses anything else with a message naming the spot.
Variant FromTyped(const Node& node);

// The typed JSON of a value. Booleans are written as the runtime holds them, -1 and 0; an object as
// {"object": <class name>}, no object as {"nothing": true}.
Json ToTyped(const Variant& value);

}  // namespace quorvel::scenario
