// The message box on Linux: a dialog of the desktop's own (zenity, else kdialog) when a graphical
// session is present, waited for until the user closes it; otherwise, or when no dialog could be
// shown, the title and prompt on standard error.
#pragma once

#include <string>

#include "quorvel/message_box.h"

namespace quorvel::platform {

class DesktopMessageBox : public MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& title) override;
};

}  // namespace quorvel::platform
