// A scriptable Collaboration Data Objects model behind one session double. Every object of the model
// records into the session, as "Object.Member" ("Message.Subject=Hi", "Recipient.Resolve(False)"), so
// one list shows the calls in order; the messages made are dumped with what they hold at the end.
//
// Scripted through the session's state: `unresolved`, the addresses whose Resolve raises the error
// `fail` gives "Recipient.Resolve"; `answer_nothing`, the collections ("Messages", "Recipients",
// "Attachments") whose Add answers no object.
#pragma once

#include <memory>
#include <vector>

#include "platform/cdo_objects.h"
#include "tests/doubles/recorded_object.h"

namespace quorvel::testing {

class FakeCdoMessage;

class FakeCdoSession : public cdo::Session, public RecordedObject {
 public:
  FakeCdoSession();

  void Logon(const std::string& profileName, const std::string& profilePassword, bool showDialog, bool newSession,
             std::int32_t parentWindow, bool noMail, const std::optional<std::string>& profileInfo) override;
  Variant::Object GetDefaultFolder(std::int32_t folderType) override;
  void Logoff() override;

  nlohmann::ordered_json Dump() const override;
  bool Listed(const char* key, const std::string& name) const;

  // The model's other objects record through these.
  using RecordedObject::Method;
  using RecordedObject::Read;
  using RecordedObject::Record;
  using RecordedObject::Set;

  std::vector<std::shared_ptr<FakeCdoMessage>> messages;  // every message made, in order
};

}  // namespace quorvel::testing
