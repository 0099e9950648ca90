// The one way an automation double is scripted and recorded. Every member goes through Record, which
// adds the call to `calls` and raises the error a script set for that member; what the double holds
// lives in `state`, which a script may preset key by key and a transcript dumps as it is.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "quorvel/error.h"
#include "quorvel/variant.h"

namespace quorvel::testing {

class RecordedObject {
 public:
  RecordedObject(std::vector<std::string> members, nlohmann::ordered_json state)
      : members(std::move(members)), state(std::move(state)) {}
  virtual ~RecordedObject() = default;

  virtual nlohmann::ordered_json Dump() const {
    nlohmann::ordered_json dump = {{"calls", calls}};
    dump.update(state);
    return dump;
  }

  const std::vector<std::string> members;  // the members a script may make fail
  // "Member=value" a property set, "Member" a property read, "Member()" a method, in order.
  std::vector<std::string> calls;
  std::map<std::string, AutomationError> failures;  // raised by the member every time it is used
  nlohmann::ordered_json state;

 protected:
  using Json = nlohmann::ordered_json;
  // An object of the model behind the double (a message, a recipient): it records into the double and
  // keeps what it holds at its own place in the double's state.
  template <class Model>
  struct Part {
    using Owner = Model;
    Part(Model& model, Json::json_pointer at) : model(model), at(std::move(at)) {}
    Json& Own() { return model.state[at]; }
    Model& model;
    const Json::json_pointer at;
  };
  static std::string Flag(bool value) { return value ? "True" : "False"; }
  bool Listed(const char* key, const std::string& name) {
    return std::find(state[key].begin(), state[key].end(), name) != state[key].end();
  }
  // Adds the entry to the collection held at `at` and answers its object, or none where the script's
  // `answer_nothing` names the collection.
  template <class Object>
  Variant::Object Added(const char* collection, const Json::json_pointer& at, Json entry) {
    if (Listed("answer_nothing", collection)) return nullptr;
    state[at].push_back(std::move(entry));
    return std::make_shared<Object>(static_cast<typename Object::Owner&>(*this), at / (state[at].size() - 1));
  }

  void Record(const std::string& member, const std::string& call) {
    calls.push_back(call);
    if (const auto failure = failures.find(member); failure != failures.end()) throw failure->second;
  }
  void Method(const std::string& member) { Record(member, member + "()"); }
  template <class Answer>
  Answer Read(const std::string& member, Answer answer) {
    Record(member, member);
    return answer;
  }
  // Answers the value, so that a double can pass on what it recorded.
  template <class Value>
  const Value& Set(const std::string& member, const Value& value) {
    Record(member, member + "=" + Text(value));
    return value;
  }

 private:
  static std::string Text(const std::string& value) { return value; }
  static std::string Text(std::int32_t value) { return std::to_string(value); }
  static std::string Text(bool value) { return Flag(value); }
};

}  // namespace quorvel::testing
