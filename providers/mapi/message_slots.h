// What the messages control holds of the message being composed: subject, note text, and the
// recipient and attachment slots that the index properties select.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::mapi {

struct Recipient {
  std::string address;
  std::int16_t type = 1;
};

struct Attachment {
  std::string name;
  std::string path_name;
  std::int32_t position = 0;
  std::int16_t type = 0;
};

class MessageSlots {
 public:
  // Starts a new, empty message.
  void Compose();

  void MsgSubject(const std::string& value) { subject_ = value; }
  void MsgNoteText(const std::string& value) { note_text_ = value; }

  std::int32_t RecipCount() const { return static_cast<std::int32_t>(recipients_.size()); }
  // The count opens a new slot at the end, a lower index selects one; anything else raises 32025.
  void RecipIndex(std::int32_t index);
  void RecipAddress(const std::string& value) { SelectedRecipient().address = value; }
  void RecipType(std::int16_t value);

  std::int32_t AttachmentCount() const { return static_cast<std::int32_t>(attachments_.size()); }
  // As RecipIndex; anything else raises 32058.
  void AttachmentIndex(std::int32_t index);
  void AttachmentName(const std::string& value) { SelectedAttachment().name = value; }
  void AttachmentPathName(const std::string& value) { SelectedAttachment().path_name = value; }
  void AttachmentPosition(std::int32_t value) { SelectedAttachment().position = value; }
  void AttachmentType(std::int16_t value) { SelectedAttachment().type = value; }

  const std::string& subject() const { return subject_; }
  const std::string& note_text() const { return note_text_; }
  const std::vector<Recipient>& recipients() const { return recipients_; }
  const std::vector<Attachment>& attachments() const { return attachments_; }

 private:
  Recipient& SelectedRecipient();
  Attachment& SelectedAttachment();

  std::string subject_;
  std::string note_text_;
  std::vector<Recipient> recipients_;
  std::vector<Attachment> attachments_;
  std::int32_t recip_index_ = 0;
  std::int32_t attachment_index_ = 0;
};

}  // namespace quorvel::mapi
