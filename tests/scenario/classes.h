// The classes a scenario can create ({"create": "MailMAPI", "as": "mapi"}), each with the members a
// scenario can use: property assigns and methods, their parameters and how each converts its typed
// JSON arguments and result. Adding a class is one entry in the table in classes.cc.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quorvel/application_context.h"
#include "quorvel/platform.h"
#include "quorvel/variant.h"

namespace quorvel::scenario {

enum class ParamType {
  kText,       // {"text": ...}
  kLong,       // {"long": ...}
  kBoolean,    // {"bool": ...}
  kVariant,    // any typed value
  kTextArray,  // {"texts": ...} or {"undimensioned": true}
  kContext,    // no value: the scenario's context; {"nothing": true}: none
};

struct Param {
  std::string name;
  ParamType type;
  // The value a left-out trailing argument (or {"missing": true}) gives; a parameter without one must be passed.
  std::optional<Variant> when_left_out = std::nullopt;
  bool by_ref = false;  // the transcript shows its value after the call
};

// The converted arguments, one per parameter in order; a member reads and changes them in place.
struct Arguments {
  std::vector<Variant> values;
  std::shared_ptr<ApplicationContext> context;

  template <class T>
  T& Get(std::size_t i) {
    return *values.at(i).GetIf<T>();
  }
  std::string& Text(std::size_t i) { return Get<std::string>(i); }
};

struct Member {
  bool assign;  // a property assign, with exactly one parameter; else a method call
  std::vector<Param> params;
  // Answers the member's result; nullopt for a member that returns nothing.
  std::function<std::optional<Variant>(void* object, Arguments& args)> invoke;
};

struct ClassEntry {
  std::function<std::shared_ptr<void>(const Platform& platform)> create;
  std::map<std::string, Member> members;
  // The object's GetLog text, for the transcript's "logs"; empty for a class that keeps no log.
  std::function<std::string(const void* object)> log;
};

// By class name.
const std::map<std::string, ClassEntry>& Classes();

}  // namespace quorvel::scenario
