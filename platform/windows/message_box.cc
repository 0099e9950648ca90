#include "platform/windows/message_box.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace quorvel::platform {

// Task-modal, so that it stays in front of the host's windows though the library has no handle of theirs.
void SystemMessageBox::Show(const std::string& prompt, const std::string& title) {
  MessageBoxW(nullptr, Widen(prompt).c_str(), Widen(title).c_str(), MB_OK | MB_TASKMODAL);
}

}  // namespace quorvel::platform
