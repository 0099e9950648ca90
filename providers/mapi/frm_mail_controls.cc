#include "providers/mapi/frm_mail_controls.h"

namespace quorvel::mapi {

void frmMailControls::Load() {
  messages_ = platform::As<MapiMessages>(servers_.CreateObject(kMessagesProgId));
  session_ = platform::As<MapiSession>(servers_.CreateObject(kSessionProgId));
}

void frmMailControls::Unload() {
  messages_.reset();
  session_.reset();
}

MapiMessages& frmMailControls::MAPIMessages1() {
  if (!messages_) throw RuntimeError(error_number::kObjectNotSet);
  return *messages_;
}

MapiSession& frmMailControls::MAPISession1() {
  if (!session_) throw RuntimeError(error_number::kObjectNotSet);
  return *session_;
}

}  // namespace quorvel::mapi
