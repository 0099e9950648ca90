// The classes a scenario can create ({"create": "MailMAPI", "as": "mapi"}), each with the members a
// scenario can use: property assigns and methods, their parameters, and what each calls on the object.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quorvel/application_context.h"
#include "quorvel/platform.h"
#include "quorvel/send_outcome.h"
#include "quorvel/variant.h"

namespace quorvel::scenario {

enum class ParamType { kText, kLong, kBoolean, kAnyValue, kTextArray, kContext };

struct Param {
  std::string name;
  ParamType type;
  std::optional<Variant> when_left_out = std::nullopt;  // a parameter without it must be passed
  bool in_out = false;                                  // the transcript shows its value after the call
};

// A call's arguments, one per parameter, which the member may change in place; and what it answers.
struct Arguments {
  std::vector<Variant> values;
  std::shared_ptr<ApplicationContext> context;  // a context parameter's
  std::optional<Variant> result;                // none for a member that answers nothing
  std::optional<SendOutcome> send_outcome;      // Email.Send's, shown beside its result

  template <class T>
  T& Get(std::size_t i) {
    return *values.at(i).GetIf<T>();
  }
  std::string& Text(std::size_t i) { return Get<std::string>(i); }
};

struct Member {
  bool assign;  // a property assign, with exactly one parameter; else a method call
  std::vector<Param> params;
  std::function<void(Arguments&)> invoke;
};

// A created object: its members by name, and its log (GetLog) for the transcript, unless its class keeps none.
struct Instance {
  std::map<std::string, Member> members;
  std::function<std::string()> log;
};

// By class name: makes the object from the scenario's platform.
const std::map<std::string, std::function<Instance(const Platform&)>>& Classes();

}  // namespace quorvel::scenario
