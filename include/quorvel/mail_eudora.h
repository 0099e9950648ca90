// MailEudora: hands one message to the Eudora mail program through its command line. The message is
// written to a file in the temp folder, Eudora's registered open command is started with that file,
// and the user is asked, through the host's context, to confirm the message reached Eudora's outbox.
#pragma once

#include <memory>
#include <string>

#include "log/session_log.h"
#include "quorvel/application_context.h"
#include "quorvel/export.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"

namespace quorvel {

class QUORVEL_EXPORT MailEudora {
 public:
  explicit MailEudora(Platform platform = SystemPlatform());

  // The context Send asks its questions through and takes the settings' application name from.
  void SetApplicationContext(std::shared_ptr<ApplicationContext> appContext);
  std::string GetLog() const;

  // True when the user confirmed the message is in Eudora's outbox, or when an earlier confirmed send
  // by this route makes a notice enough. From, Importance and HTMLFormat are not used.
  bool Send(const Message& message);

 private:
  std::string StringArrayVar(const std::string& prefix, const Variant& list);
  void LogLine(std::string_view message);

  std::string MessageText(const Message& message);
  std::string MessageFilePath();
  void WriteMessageFile(const std::string& path, const std::string& text);
  bool ConfirmWithUser(bool hasAttachments, const std::string& carrier, const std::string& attachmentsRecorded);

  Platform platform_;
  trail::SessionLog log_;
  std::shared_ptr<ApplicationContext> context_;
};

}  // namespace quorvel
