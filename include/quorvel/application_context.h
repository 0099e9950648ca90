// The host's application context: the object through which the library reports its log lines,
// trapped errors and questions to the host application.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "quorvel/export.h"

namespace quorvel {

// The library calls these members by name, as on a late-bound automation object: a host overrides
// the members it provides, and every member it leaves out raises 438 when the library calls it.
class QUORVEL_EXPORT ApplicationContext {
 public:
  virtual ~ApplicationContext() = default;

  virtual void SessionLogAdd(const std::string& line);
  virtual void SessionLogAddVerbose(const std::string& line);
  // Called while the error being reported is the thread's CurrentError(); step is always "Initialize".
  virtual void AppErrorPreserve(const std::string& procedure, std::string& step);
  virtual void AppErrorLog(bool first, bool second);
  virtual std::string ApplicationName();
  // Buttons and answers as the Windows message box has them: 0 OK, 4 Yes and No; 6 Yes, 7 No.
  virtual std::int32_t MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title);
};

// The context an object holds; calling through it with none set raises 91.
QUORVEL_EXPORT ApplicationContext& RequireContext(const std::shared_ptr<ApplicationContext>& context);

// The title the library puts into its messages; one per thread, initially "Quorvel".
QUORVEL_EXPORT const std::string& LibraryDisplayTitle();
QUORVEL_EXPORT void SetLibraryDisplayTitle(std::string title);

}  // namespace quorvel
