// The message box on Windows: the system's own, with an OK button, waited for until the user closes it.
#pragma once

#include <string>

#include "quorvel/message_box.h"

namespace quorvel::platform {

class SystemMessageBox : public MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& title) override;
};

}  // namespace quorvel::platform
