// The platform bundle: every service of the operating system the library reaches, each behind a
// narrow seam. Objects take a bundle when they are created; tests and other hosts pass their own.
#pragma once

#include <memory>

namespace quorvel {

namespace platform {
class Clock;
class Registry;
}  // namespace platform

struct Platform {
  std::shared_ptr<platform::Registry> registry;
  std::shared_ptr<platform::Clock> clock;
};

// This system's own implementations: hive files for the registry, the system clock.
Platform SystemPlatform();

}  // namespace quorvel
