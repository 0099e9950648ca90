// Late binding to the system's automation servers: an object created from its program identifier and
// reached through IDispatch by its members' names. Values cross as the library's Variant, failures as
// AutomationError with the runtime's numbers: 429 for a server that cannot be created, 438 for a member
// the object lacks, 13 for a value of the wrong kind, and a server's own error as it raised it.
//
// The thread that makes an object keeps COM initialised while the object lives (apartment-threaded,
// unless the host chose another model first) and must be the thread that releases it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quorvel/variant.h"

namespace quorvel::platform {

class LateBoundObject : public AutomationObject {
 public:
  struct Dispatch;  // the object's IDispatch, and COM held for the thread
  explicit LateBoundObject(std::unique_ptr<Dispatch> dispatch);
  ~LateBoundObject() override;
  std::string ClassName() const override { return "Object"; }

  Variant Get(const std::string& member);
  void Put(const std::string& member, const Variant& value);
  // The arguments by position; Variant::Missing leaves one out.
  Variant Call(const std::string& member, const std::vector<Variant>& args = {});

 private:
  Variant Invoke(const std::string& member, unsigned short flags, const std::vector<Variant>& args);

  std::unique_ptr<Dispatch> dispatch_;
};

// A new object of the server the program identifier names, in-process or in a process of its own.
std::shared_ptr<LateBoundObject> CreateLateBoundObject(const std::string& progId);

// A typed interface over a late-bound object, each of its members one call of the object's same-named
// member.
template <class Interface>
class LateBound : public Interface {
 public:
  explicit LateBound(std::shared_ptr<LateBoundObject> object) : o(std::move(object)) {}

 protected:
  const std::shared_ptr<LateBoundObject> o;
};

// A member's answer as text (Empty is the empty text), or as an object in the adapter that types it
// (none stays none); 13 for a value of another kind.
std::string TextOf(const Variant& value);
std::shared_ptr<LateBoundObject> ObjectOf(const Variant& value);
template <class Adapter>
Variant::Object Adapted(const Variant& value) {
  auto object = ObjectOf(value);
  return object ? std::make_shared<Adapter>(std::move(object)) : nullptr;
}

}  // namespace quorvel::platform
