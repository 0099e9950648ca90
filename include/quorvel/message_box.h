// The library's own message box: a modal notice with an OK button, which the library shows itself
// rather than through the host's context (the Outlook routes tell the user when Outlook cannot be
// reached). A host may supply its own (Platform::message_box), for example to show a Qt or GTK dialog.
#pragma once

#include <string>

#include "quorvel/export.h"

namespace quorvel::platform {

class QUORVEL_EXPORT MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Shows the prompt under the title and returns when the user has closed it. Whatever goes wrong
  // while showing it must not fail the operation that asked for it.
  virtual void Show(const std::string& prompt, const std::string& title) = 0;
};

}  // namespace quorvel::platform
