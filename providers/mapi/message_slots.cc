#include "providers/mapi/message_slots.h"

#include "providers/mapi/mapi_controls.h"
#include "quorvel/error.h"

namespace quorvel::mapi {

namespace {
AutomationError InvalidRecipients() { return MapiError(mapi_error::kInvalidRecips); }
AutomationError NoAttachment() { return MapiError(mapi_error::kNoAttachment); }

template <class Slot>
void Select(std::vector<Slot>& slots, std::int32_t index, std::int32_t& selected, AutomationError (*invalid)()) {
  if (index < 0 || index > static_cast<std::int32_t>(slots.size())) throw invalid();
  if (index == static_cast<std::int32_t>(slots.size())) slots.emplace_back();
  selected = index;
}

template <class Slot>
Slot& Selected(std::vector<Slot>& slots, std::int32_t selected, AutomationError (*invalid)()) {
  if (selected >= static_cast<std::int32_t>(slots.size())) throw invalid();
  return slots[static_cast<std::size_t>(selected)];
}
}  // namespace

void MessageSlots::Compose() { *this = MessageSlots(); }

void MessageSlots::RecipIndex(std::int32_t index) { Select(recipients_, index, recip_index_, InvalidRecipients); }

void MessageSlots::RecipType(std::int16_t value) {
  if (value < recip_type::kTo || value > recip_type::kBcc) {
    throw MapiError(mapi_error::kBadRecipType);
  }
  SelectedRecipient().type = value;
}

void MessageSlots::AttachmentIndex(std::int32_t index) { Select(attachments_, index, attachment_index_, NoAttachment); }

Recipient& MessageSlots::SelectedRecipient() { return Selected(recipients_, recip_index_, InvalidRecipients); }

Attachment& MessageSlots::SelectedAttachment() { return Selected(attachments_, attachment_index_, NoAttachment); }

}  // namespace quorvel::mapi
