#include "quorvel/platform.h"

#include "platform/clock.h"
#include "platform/registry_linux.h"

namespace quorvel {

Platform SystemPlatform() {
  return Platform{
      .registry = std::make_shared<platform::HiveFileRegistry>(),
      .clock = std::make_shared<platform::SystemClock>(),
  };
}

}  // namespace quorvel
