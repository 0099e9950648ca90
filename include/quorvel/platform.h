// What every object of the library is made over: the services of the system it reaches. A host
// takes SystemPlatform() and may replace the two parts whose interfaces it can implement, the clock
// (quorvel/clock.h) and the library's own message box (quorvel/message_box.h), e.g. with its own Qt or
// GTK dialog. The rest (registry, shell, programs, files, settings, automation servers) is the
// library's own: a part left empty is taken from SystemPlatform().
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quorvel/export.h"

namespace quorvel {

namespace platform {
class Clock;
class MessageBox;
struct Services;
}  // namespace platform

struct Platform {
  std::shared_ptr<platform::Clock> clock{};
  std::shared_ptr<platform::MessageBox> message_box{};
  std::shared_ptr<platform::Services> services{};  // the library's own
};

// This system's own implementations. On Linux: hive files and the desktop's mail clients for the
// registry, the system clock, the version named by QUORVEL_WINDOWS_VERSION, GIO for opening URLs, the
// file system, and a message box shown as a desktop dialog, or on standard error without a graphical
// session. On Windows: the system's registry, clock, version, shell, files and message box.
QUORVEL_EXPORT Platform SystemPlatform();
// The same, with the mail system's client chosen: the desktop mail client of that name (as
// DesktopMailClientNames lists it, without regard to case) opens on the Simple MAPI route in place of
// the desktop's default, as a user's own default client would. Any other name changes nothing.
// On Windows, where the registry's default client is the mail system's, no name changes anything.
QUORVEL_EXPORT Platform SystemPlatform(const std::string& mailSystemClient);

// The desktop's mail clients (its mailto: handlers) by name; the mail clients' list shows these when
// the machine's registry lists none of its own. None on Windows, whose registry lists its clients.
QUORVEL_EXPORT std::vector<std::string> DesktopMailClientNames();

}  // namespace quorvel
